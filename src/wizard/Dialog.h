#ifndef VN_WIZARD_DIALOG_H
#define VN_WIZARD_DIALOG_H

// What a page's run() hands back to its owner. The driver moves through its pages on the
// first three; the question and message pages answer with the last three.
struct PageResult {
    enum : int {
        next = 200,      // go on to the following page
        previous = 201,  // go back
        quit = 202,      // the user cancels the installation
        yes = 203,
        no = 204,
        done = 205,  // a message was acknowledged or a prompt answered
    };
};

// One screen of the wizard. A page may be run any number of times; each run starts from the
// page's current data, so a page shown again shows what the user chose last time. What run()
// raises (end of input, a termination request, errors of the managers it calls) leaves the
// page valid.
class Dialog {
public:
    virtual ~Dialog() = default;
    // Shows the page, lets the user act on it and returns a PageResult code.
    virtual int run() = 0;
};

#endif
