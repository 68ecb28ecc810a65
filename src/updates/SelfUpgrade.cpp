#include "SelfUpgrade.h"

#include <tinyxml.h>

#include "../common/BuildInfo.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../packages/Version.h"

namespace {

// Process-wide: the descriptions of one run are read one after the other on the thread that
// drives it, and the download that uses them runs only after reading has stopped.
std::string& requiredVersionText() {
    static std::string text;
    return text;
}

std::string& binaryDirectoryText() {
    static std::string text;
    return text;
}

}  // namespace

const char* const SelfUpgrade::defaultBinaryDirectory = "Corvane_Installer";

void SelfUpgrade::check_required_VN_version(const TiXmlElement& element) {
    try {
        Log(3) << "DEBUG: SelfUpgrade::check_required_VN_version entry\n";
        const TiXmlElement* required = element.FirstChildElement("required_vantrell");
        if (!required) return;

        const char* version = required->Attribute("version");
        requiredVersionText() = version ? version : "";
        if (requiredVersionText().empty()) return;

        const char* directory = required->Attribute("binary_directory");
        binaryDirectoryText() = directory && *directory ? directory : defaultBinaryDirectory;

        if (Version(buildinfo::version) < Version(requiredVersionText())) throw NeedSelfUpgrade();
        Log(3) << "DEBUG: SelfUpgrade::check_required_VN_version out\n";
    } catch (error& e) {
        e.qualify(0, 0, 0, 0) << Messages::getMessage("err_self_upgrade_failed");
        throw;
    }
}

const std::string& SelfUpgrade::requiredVersion() { return requiredVersionText(); }

const std::string& SelfUpgrade::binaryDirectory() { return binaryDirectoryText(); }
