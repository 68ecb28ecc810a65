#include "DlgHello.h"

DlgHello::DlgHello() = default;

DlgHello::~DlgHello() = default;
