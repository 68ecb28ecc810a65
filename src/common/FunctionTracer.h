#ifndef VN_COMMON_FUNCTIONTRACER_H
#define VN_COMMON_FUNCTIONTRACER_H

#include <string>

// Level-3 entry, return and exception lines around a traced operation.
class FunctionTracer {
public:
    explicit FunctionTracer(const std::string& name);
    ~FunctionTracer();
    FunctionTracer(const FunctionTracer&) = delete;
    FunctionTracer& operator=(const FunctionTracer&) = delete;

private:
    std::string name;
    int uncaught;
};

#endif
