#include "DlgStrongYesNo.h"

DlgStrongYesNo::DlgStrongYesNo(const std::string& question) : question(question) {}

DlgStrongYesNo::~DlgStrongYesNo() = default;
