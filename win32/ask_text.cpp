#include "win32/ask_text.h"

#include "win32/shell_resources.h"

namespace velmira {

namespace {

constexpr int kPrompt = 100;
constexpr int kEdit = 101;

struct Question {
  const char* caption;
  const char* prompt;
  std::string* text;
};

INT_PTR CALLBACK AskTextProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const Question* question = reinterpret_cast<const Question*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    SetWindowTextA(dialog, question->caption);
    SetDlgItemTextA(dialog, kPrompt, question->prompt);
    SetDlgItemTextA(dialog, kEdit, question->text->c_str());
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    auto* question = reinterpret_cast<Question*>(GetWindowLongPtrA(dialog, DWLP_USER));
    char answer[64] = "";
    GetDlgItemTextA(dialog, kEdit, answer, sizeof answer);
    *question->text = answer;
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

bool AskTextBox(HWND owner, const char* caption, const char* prompt, std::string* text) {
  Question question{caption, prompt, text};
  return DialogBoxParamA(Shell().instance, "AskText", owner, AskTextProc,
                         reinterpret_cast<LPARAM>(&question)) == IDOK;
}

}  // namespace velmira
