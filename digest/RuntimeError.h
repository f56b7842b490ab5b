#pragma once

// The one failure type of the program: a run-time error number with its
// standard description. Command handlers catch it and show the description.

#include <cstdint>
#include <stdexcept>
#include <string>

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    [[nodiscard]] std::int32_t Number() const noexcept { return number_; }
    [[nodiscard]] std::string Description() const { return what(); }

    static RuntimeError InvalidArgument() { return {5, "Invalid procedure call or argument"}; }
    static RuntimeError Overflow() { return {6, "Overflow"}; }
    static RuntimeError OutOfMemory() { return {7, "Out of memory"}; }

private:
    std::int32_t number_;
};
