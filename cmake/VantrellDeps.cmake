# Every dependency is a Debian package installed by scripts/install-deps.
find_package(Threads REQUIRED)
find_package(Boost 1.74 REQUIRED COMPONENTS filesystem thread regex)
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(ZLIB REQUIRED)
find_package(EXPAT REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(RPM REQUIRED IMPORTED_TARGET rpm)

find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
find_library(TINYXML_LIBRARY tinyxml REQUIRED)
add_library(vn_tinyxml INTERFACE)
target_include_directories(vn_tinyxml INTERFACE ${TINYXML_INCLUDE_DIR})
# Debian builds libtinyxml with std::string support
target_compile_definitions(vn_tinyxml INTERFACE TIXML_USE_STL)
target_link_libraries(vn_tinyxml INTERFACE ${TINYXML_LIBRARY})

find_library(PAM_LIBRARY pam REQUIRED)

set(VN_EXTERNAL_LIBS
    Boost::filesystem Boost::thread Boost::regex
    CURL::libcurl OpenSSL::SSL OpenSSL::Crypto ZLIB::ZLIB EXPAT::EXPAT
    PkgConfig::RPM vn_tinyxml ${PAM_LIBRARY} Threads::Threads)
