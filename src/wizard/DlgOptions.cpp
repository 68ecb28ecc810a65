#include "DlgOptions.h"

DlgOptions::DlgOptions(ParamManager* paramManager_) : paramManager(paramManager_) {}

DlgOptions::~DlgOptions() = default;
