#include "BuildInfFile.h"

BuildInfFile::BuildInfFile() = default;

BuildInfFile::~BuildInfFile() = default;
