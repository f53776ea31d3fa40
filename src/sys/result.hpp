#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace sys {

/// A failure with a one-line text meant for the user.
struct Error {
  std::string text;
};

/// Either a value or an `Error`. Errors are values: nothing in the program
/// throws across a module boundary.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }

  const Error& error() const { return std::get<1>(v_); }
  const std::string& error_text() const { return error().text; }

 private:
  std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }
  const std::string& error_text() const { return error_->text; }

 private:
  std::optional<Error> error_;
};

inline Result<void> success() { return {}; }

}  // namespace sys
