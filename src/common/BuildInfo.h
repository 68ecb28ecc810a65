#ifndef VN_COMMON_BUILDINFO_H
#define VN_COMMON_BUILDINFO_H

// Identity of this build: the start-up banner, the version modes, the summary and the text of
// internal errors all show these values.
namespace buildinfo {
constexpr const char* version = "3.9.0";
constexpr const char* buildTime = "2011-01-18 17:45";
constexpr int sourceRevision = 297274;
}  // namespace buildinfo

#endif
