#include "Certificate.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/format.hpp>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"

namespace {

const int keyBits = 512;
const int validDays = 365;

// The mask under which the key is written; the old one comes back however the scope ends.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : old(::umask(mask)) {}
    ~UmaskScope() { ::umask(old); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t old;
};

// Owns what OpenSSL hands out, whatever way the scope ends.
struct CertificateParts {
    X509* certificate = nullptr;
    EVP_PKEY* key = nullptr;
    ~CertificateParts() {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
};

// A temporary file next to the target; removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        std::string pattern = target + ".XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) path = name.data();
    }
    ~TemporaryFile() {
        if (fd >= 0) ::close(fd);
        if (!path.empty()) ::unlink(path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool close() {
        int r = ::close(fd);
        fd = -1;
        return r == 0;
    }
    bool renameTo(const std::string& target) {
        if (::rename(path.c_str(), target.c_str()) != 0) return false;
        path.clear();
        return true;
    }

    int fd = -1;
    std::string path;
};

error fileCreateError(const std::string& path) {
    error e(4, 2, 1, 2);
    e << boost::format(Messages::getMessage("err_file_create")) % path;
    return e;
}

bool writeCertificateFile(int fd, X509* certificate, EVP_PKEY* key) {
    BIO* out = BIO_new_fd(fd, BIO_NOCLOSE);
    if (!out) return false;
    bool ok = EVP_PKEY_print_private(out, key, 0, nullptr) > 0 && X509_print(out, certificate) > 0 &&
              PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) > 0 &&
              PEM_write_bio_X509(out, certificate) > 0 && BIO_flush(out) > 0;
    BIO_free(out);
    return ok;
}

}  // namespace

std::string defaultCertificatePath() {
    const std::string path = get_home_dir() + "/.vantrell/vantrell.pem";
    const std::string directory = fileops::dirname(path);
    if (!fileops::exists(directory)) fileops::create_directory(directory);
    return path;
}

bool certificateExists(const std::string& path) {
    return fileops::exists(path);
}

std::string useExistingCertificate(const std::string& path) {
    return path;
}

std::string generateSelfSignedCertificate(const std::string& path) {
    Log(2) << "Generate self-signed certificate for access to web interface to " << path << std::endl;
    UmaskScope mask(077);

    // Written aside and renamed into place: a failure never leaves half a key at the path, and
    // nothing is written through a link that stands there.
    TemporaryFile file(path);
    if (file.fd < 0) throw fileCreateError(path);

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const long serial = std::rand();

    CertificateParts parts;
    if (!makeCertificate(&parts.certificate, &parts.key, keyBits, serial, validDays))
        throw fileCreateError(path);
    if (!writeCertificateFile(file.fd, parts.certificate, parts.key)) throw fileCreateError(path);
    if (::fsync(file.fd) != 0 || !file.close() || !file.renameTo(path)) throw fileCreateError(path);
    return path;
}

bool makeCertificate(X509** certificate, EVP_PKEY** key, int bits, long serial, int days) {
    if (!*key) {
        *key = EVP_RSA_gen(static_cast<unsigned>(bits));
        if (!*key) return false;
    }
    if (!*certificate) {
        *certificate = X509_new();
        if (!*certificate) return false;
    }
    X509* x = *certificate;

    if (!X509_set_version(x, 2) || !ASN1_INTEGER_set(X509_get_serialNumber(x), serial) ||
        !X509_gmtime_adj(X509_getm_notBefore(x), 0) ||
        !X509_gmtime_adj(X509_getm_notAfter(x), static_cast<long>(days) * 86400L) || !X509_set_pubkey(x, *key))
        return false;

    // An entry that the library refuses is left out; the certificate works without it.
    X509_NAME* name = X509_get_subject_name(x);
    const char* const entries[][2] = {
        {"C", "US"},         {"ST", "Washington"}, {"L", "Seattle"},
        {"O", "Corvane"},    {"CN", "Corvane Products Installer"},
        {"E", "root@localhost"},
    };
    for (const auto& entry : entries)
        X509_NAME_add_entry_by_txt(name, entry[0], MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(entry[1]), -1, -1, 0);
    if (!X509_set_issuer_name(x, name)) return false;

    addCertificateExtension(x, NID_basic_constraints, "critical,CA:TRUE");
    addCertificateExtension(x, NID_key_usage, "critical,keyCertSign,cRLSign");
    addCertificateExtension(x, NID_subject_key_identifier, "hash");
    addCertificateExtension(x, NID_netscape_cert_type, "sslCA");

    return X509_sign(x, *key, EVP_md5()) > 0;
}

bool addCertificateExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &ctx, nid, value);
    if (!extension) return false;
    int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    return added != 0;
}
