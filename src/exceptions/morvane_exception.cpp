#include "exceptions/morvane_exception.h"

namespace morvane {

MorvaneException::MorvaneException(const std::string& msg) : message_(msg) {}

MorvaneException::~MorvaneException() = default;

const char* MorvaneException::what() const noexcept { return message_.c_str(); }

const std::string& MorvaneException::message() const { return message_; }

}  // namespace morvane
