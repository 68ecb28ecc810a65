#ifndef VN_WEBUI_CERTIFICATE_H
#define VN_WEBUI_CERTIFICATE_H

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string>

// The certificate of the web interface when the user names none: kept in the home directory
// and made on first use (a fresh RSA key and a self-signed certificate in one PEM file, which
// the HTTP server loads as its certificate and its key).

// home + "/.vantrell/vantrell.pem"; its directory exists afterwards ("err_mkdir" otherwise).
std::string defaultCertificatePath();
bool certificateExists(const std::string& path);
// An existing file is used as it is, whatever its age or contents.
std::string useExistingCertificate(const std::string& path);
// Writes key and certificate into `path` (readable by its owner only) and returns the path.
// Failure: "err_file_create" (4,2,1,2); the file-creation mask is the old one on every way out.
std::string generateSelfSignedCertificate(const std::string& path);

// Fills the holders (creating what they lack) with a key of `bits` and a certificate signed by
// it, valid for `days` from now. False when the certificate cannot be made or signed; what the
// holders then hold belongs to the caller all the same.
bool makeCertificate(X509** certificate, EVP_PKEY** key, int bits, long serial, int days);
// Appends one extension, built from its text form, with the certificate as issuer and subject.
bool addCertificateExtension(X509* certificate, int nid, const char* value);

#endif
