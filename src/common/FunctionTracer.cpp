#include "FunctionTracer.h"

#include <exception>

#include "Log.h"

FunctionTracer::FunctionTracer(const std::string& n) : name(n), uncaught(std::uncaught_exceptions()) {
    Log(3) << "DEBUG: function entry [" << name << "]\n";
}

FunctionTracer::~FunctionTracer() {
    // Leaving because of an exception when more are in flight than at entry.
    if (std::uncaught_exceptions() > uncaught)
        Log(3) << "DEBUG: function exception [" << name << "]\n";
    else
        Log(3) << "DEBUG: function return [" << name << "]\n";
}
