#include "Build.h"

#include "BuildInfFile.h"

Build::Build() = default;

Build::~Build() = default;
