#pragma once

#include <exception>
#include <string>

namespace morvane {

// Root of every error the library and the storage engine raise. Each error
// carries one finished, human-readable message, composed once when the error
// is constructed and never changed afterwards. Catch any of them by
// `const MorvaneException&`; `std::exception&` catches them too.
class MorvaneException : public std::exception {
 public:
  // Copies `msg`. Throws std::bad_alloc if the copy cannot be allocated.
  explicit MorvaneException(const std::string& msg);
  MorvaneException(const MorvaneException&) = default;
  MorvaneException(MorvaneException&&) = default;
  MorvaneException& operator=(const MorvaneException&) = default;
  MorvaneException& operator=(MorvaneException&&) = default;
  ~MorvaneException() override;

  // The message as a NUL-terminated string; valid while this object lives.
  const char* what() const noexcept override;
  // The message.
  virtual const std::string& message() const;

 protected:
  // Derived classes build this object with an empty message and then store
  // their composed text here, before their constructor returns.
  std::string message_;
};

}  // namespace morvane
