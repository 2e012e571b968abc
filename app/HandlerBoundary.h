// The boundary around every handler the user's actions start: an error that
// escapes the handler ends it there and is shown in the error box, and the
// program keeps running with whatever state the handler had reached.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace vorn {

// showError(message) shows the error box: the front end's, which runs a
// nested message loop until it is answered.
template <typename Handler, typename ErrorBox>
void RunHandler(Handler&& handler, ErrorBox&& showError) {
  std::optional<std::string> failure;
  try {
    std::forward<Handler>(handler)();
  } catch (const std::exception& error) {
    failure = error.what();
  } catch (...) {
    failure = "Unknown error";
  }
  // Shown outside the catch block: the box runs a nested event loop, which
  // must not keep the error object alive underneath other handlers.
  if (failure) std::forward<ErrorBox>(showError)(*failure);
}

}  // namespace vorn
