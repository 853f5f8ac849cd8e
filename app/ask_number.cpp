#include "app/ask_number.h"

#include <cstdlib>
#include <string>

namespace velmira {

namespace {
bool ParseWholeNumber(const std::string& text, long* value) {
  const char* start = text.c_str();
  char* end = nullptr;
  *value = std::strtol(start, &end, 10);
  if (end == start) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}
}  // namespace

bool AskNumber(UiEffects& ui, const char* caption, const char* prompt, int low, int high,
               const char* refusal, int* value) {
  std::string text = std::to_string(*value);
  if (!ui.AskText(caption, prompt, &text)) return false;
  long number = 0;
  if (!ParseWholeNumber(text, &number) || number < low || number > high) {
    ui.Beep(MessageIcon::Exclamation);
    ui.ShowMessage(refusal, "QJ", MessageIcon::Exclamation, MessageButtons::Ok, true);
    return false;
  }
  *value = static_cast<int>(number);
  return true;
}

}  // namespace velmira
