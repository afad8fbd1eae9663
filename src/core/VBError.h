#pragma once

#include <exception>
#include <string>

namespace mellox {

// A run-time error in the VB model: a number plus a description. The
// description defaults to the runtime's standard text for that number.
class VBError : public std::exception {
public:
    explicit VBError(int number, std::string description = {});

    int Number() const { return number_; }
    const std::string& Description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    static std::string StandardDescription(int number);

private:
    int number_;
    std::string description_;
};

[[noreturn]] void Raise(int number, std::string description = {});

}  // namespace mellox
