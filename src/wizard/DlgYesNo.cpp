#include "DlgYesNo.h"

DlgYesNo::DlgYesNo(const std::string& question) : question(question) {}

DlgYesNo::~DlgYesNo() = default;
