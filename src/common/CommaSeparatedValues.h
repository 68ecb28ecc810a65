#ifndef VN_COMMON_COMMASEPARATEDVALUES_H
#define VN_COMMON_COMMASEPARATEDVALUES_H

#include <string>
#include <vector>

// The values of one line separated by commas. A value holding blanks is written in double
// quotes (\" inside them is a quote); the text after a closing quote up to the next comma is
// dropped. An empty field (",a", "a,,b") is an empty value, so items keep their positions; a
// comma that ends the line adds nothing. An unquoted value followed by anything but white
// space and a comma: error (codes 0) "err_csv_no_quote".
class CommaSeparatedValues : public std::vector<std::string> {
public:
    explicit CommaSeparatedValues(const std::string& line);
};

#endif
