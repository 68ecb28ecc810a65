#include "StdPackage.h"

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Regexp.h"
#include "../common/error.h"

StdPackage::StdPackage(const std::string& name, const std::string& versionText) : Package(name, versionText) {}

StdPackage::~StdPackage() = default;

void StdPackage::readInfo() {
    const std::string& file = getFileName();
    Log(1) << "readInfo " << file << std::endl;

    // POSIX leftmost-longest groups, on purpose: the name runs to the last "_v" that still
    // fits ("my_v_tool"), and the arch is what follows the last '_' ("x86_64" gives "64").
    // The expression is not anchored and its '.' matches any character, so "..._i386.sh.orig"
    // and "..._i386xsh" are read too.
    Regexp expression("(.*)/(.*)_v(.*)_build(.*)_os_(.+_.+)_(.+).sh", true);
    if (!expression.matchSub(file))
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_std_fn_not_match_re")) % file;

    setName(expression.getMatch(2));
    setArchAsGiven(expression.getMatch(6));
    setVersion(new Version(expression.getMatch(3) + "-" + expression.getMatch(4)));
    addProvide((std::string(getName()) + " = " + getVersion()->toString()).c_str());
    readFileFacts();
}
