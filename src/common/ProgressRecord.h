#ifndef VN_COMMON_PROGRESSRECORD_H
#define VN_COMMON_PROGRESSRECORD_H

#include <cstddef>
#include <cstdint>
#include <string>

// The state of the running installation as the status service reads it from System V shared
// memory (key 321456). The byte layout is the contract with every reader, so it is fixed
// below, field by field; numbers are in the host's byte order.
//
// Texts are NUL-terminated inside their fields, but a reader cannot trust another process to
// have written the NUL: read them through the accessors, which stop at the field's end.
struct ProgressRecord {
    enum : std::uint32_t { stageCountValue = 4 };

    std::uint32_t stage;
    std::uint32_t stageCount;
    char stageId[80];
    char stageTitle[4096];
    std::uint32_t step;
    std::uint32_t stepCount;
    char stepId[80];
    char stepTitle[4096];
    std::uint8_t finished;
    std::uint8_t failed;
    char errorText[8096];
    char cookie[4096];
    char reserved[2];

    std::string getStageId() const { return text(stageId); }
    std::string getStageTitle() const { return text(stageTitle); }
    std::string getStepId() const { return text(stepId); }
    std::string getStepTitle() const { return text(stepTitle); }
    std::string getErrorText() const { return text(errorText); }
    std::string getCookie() const { return text(cookie); }

    // Copies at most N-1 bytes of `value` (bytes, not characters) and a NUL behind them; the
    // bytes after that NUL keep what they held.
    template <std::size_t N>
    static void store(char (&field)[N], const std::string& value) {
        storeText(field, N, value);
    }

    template <std::size_t N>
    static std::string text(const char (&field)[N]) {
        return readText(field, N);
    }

private:
    static void storeText(char* field, std::size_t size, const std::string& value);
    static std::string readText(const char* field, std::size_t size);
};

static_assert(offsetof(ProgressRecord, stage) == 0, "record layout");
static_assert(offsetof(ProgressRecord, stageCount) == 4, "record layout");
static_assert(offsetof(ProgressRecord, stageId) == 8, "record layout");
static_assert(offsetof(ProgressRecord, stageTitle) == 88, "record layout");
static_assert(offsetof(ProgressRecord, step) == 4184, "record layout");
static_assert(offsetof(ProgressRecord, stepCount) == 4188, "record layout");
static_assert(offsetof(ProgressRecord, stepId) == 4192, "record layout");
static_assert(offsetof(ProgressRecord, stepTitle) == 4272, "record layout");
static_assert(offsetof(ProgressRecord, finished) == 8368, "record layout");
static_assert(offsetof(ProgressRecord, failed) == 8369, "record layout");
static_assert(offsetof(ProgressRecord, errorText) == 8370, "record layout");
static_assert(offsetof(ProgressRecord, cookie) == 16466, "record layout");
static_assert(offsetof(ProgressRecord, reserved) == 20562, "record layout");
static_assert(sizeof(ProgressRecord) == 20564, "record layout");

#endif
