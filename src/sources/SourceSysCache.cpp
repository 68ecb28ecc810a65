#include "SourceSysCache.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../packages/Repository.h"

SourceSysCache::SourceSysCache(Repository* repository, const std::string& path)
    : Source(repository), cacheFile(path) {}

SourceSysCache::~SourceSysCache() = default;

void SourceSysCache::downloadPackage(Package*) {}

void SourceSysCache::doGetBrief() {
    FILE* file = std::fopen(cacheFile.c_str(), "re");
    if (!file) {
        const std::string why = std::strerror(errno);
        const std::string opening = (boost::format(Messages::getMessage("err_syscache_open")) % cacheFile).str();
        Log(1) << opening << ": " << why;
        throw error(4, 1, 1, 2) << opening;
    }

    try {
        repository->addFromCache(file, 's', Repository::DUPS_KEEP_ALL, this);
    } catch (const error& e) {
        std::fclose(file);
        Log(1) << "Error: " << e.text() << std::endl;
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_syscache_read")) % cacheFile;
    } catch (...) {
        std::fclose(file);
        throw;
    }

    if (std::fclose(file) != 0)
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_syscache_read")) % cacheFile;
}

void SourceSysCache::doGetFull() {}
