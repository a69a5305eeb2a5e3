#pragma once

#include <string>
#include <utility>
#include <variant>

namespace ferulo {

// What a failure shows the user: a number and a description naming the file,
// table or value at fault, in plain words. What only helps to find the cause
// further (a library's own report) goes into details, which a window shows on
// request and ferulo-cli on a line of its own.
struct Error {
  int number = 0;
  std::string description;
  std::string details{};
};

// A value or the error that prevented it. Small on purpose: C++20 has no
// std::expected, and FERULO needs no more than this.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

  [[nodiscard]] bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
  [[nodiscard]] T& value() & { return std::get<0>(state_); }
  [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
  [[nodiscard]] const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// A result that carries nothing but success or an error.
struct Done {};
using Status = Result<Done>;

}  // namespace ferulo
