#include "SystemSpecificConfigurator.h"

SystemSpecificConfigurator::SystemSpecificConfigurator() = default;

SystemSpecificConfigurator::~SystemSpecificConfigurator() = default;
