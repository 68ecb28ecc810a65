#include "DlgPrompt.h"

DlgPrompt::DlgPrompt(const std::string& question, const std::string& defaultAnswer)
    : question(question), defaultAnswer(defaultAnswer) {}

DlgPrompt::~DlgPrompt() = default;
