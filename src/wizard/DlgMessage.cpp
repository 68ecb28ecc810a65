#include "DlgMessage.h"

DlgMessage::DlgMessage(const std::string& text) : text(text) {}

DlgMessage::~DlgMessage() = default;
