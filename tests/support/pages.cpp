// The page driver. See pages.h.
#include "support/pages.h"
#include <string.h>
#include <memory>
#include <set>
#include "support/product_state.h"

namespace kvtest
{

namespace
{
const UINT kSendTimeoutMs = 5000;

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return (LRESULT)result;
}
} // namespace

std::string ControlText(HWND page, int id)
{
    char text[2048] = "";
    HWND control = GetDlgItem(page, id);
    if (control)
        SendTo(control, WM_GETTEXT, sizeof text, (LPARAM)text);
    return text;
}

bool IsChecked(HWND page, int id)
{
    return SendTo(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND page, int id)
{
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

bool IsShown(HWND page, int id)
{
    return IsWindowVisible(GetDlgItem(page, id)) != FALSE;
}

std::vector<std::string> ComboItems(HWND page, int id)
{
    std::vector<std::string> items;
    HWND combo = GetDlgItem(page, id);
    LRESULT count = SendTo(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        // Asked in UTF-16: Wine hands an item of another process to an ANSI caller unconverted.
        WCHAR wide[1024] = L"";
        char text[1024] = "";
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)
            && length < ARRAYSIZE(wide))
            SendMessageTimeoutW(combo, CB_GETLBTEXT, i, (LPARAM)wide, SMTO_ABORTIFHUNG, kSendTimeoutMs, NULL);
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
        items.push_back(text);
    }
    return items;
}

HWND FocusedControl(HWND page)
{
    // A page that has just shown may not have taken the focus yet (the dialog manager sets
    // it as the page activates, which a slow machine can put off a little).
    HWND focus = NULL;
    WaitUntil(
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            focus = GetGUIThreadInfo(GetWindowThreadProcessId(page, NULL), &info) ? info.hwndFocus : NULL;
            return focus && (focus == page || IsChild(page, focus));
        },
        10000);
    return focus;
}

void SetControlText(HWND page, int id, const std::string& text)
{
    SendTo(GetDlgItem(page, id), WM_SETTEXT, 0, (LPARAM)text.c_str());
}

void Press(HWND page, int id)
{
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(page, id));
}

void Click(HWND page, int id)
{
    SendTo(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

void PressKey(HWND page, UINT key)
{
    PostMessageA(page, WM_KEYDOWN, key, 1);
    PostMessageA(page, WM_KEYUP, key, 0xC0000001);
}

std::string Caption(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool IsDialog(HWND window)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    return strcmp(className, "#32770") == 0;
}

bool IsMessageBox(HWND window)
{
    return IsDialog(window) && GetDlgItem(window, kBoxText);
}

PageStep PressStep(const char* caption, int controlId, int button)
{
    return { caption, controlId, [button](HWND page) { Press(page, button); } };
}

std::function<void(HWND)> AnswerBoxes(std::vector<std::string>* captions,
                                      std::function<int(const std::string& caption)> answer)
{
    auto answered = std::make_shared<std::set<HWND>>();
    return [captions, answer, answered](HWND window) {
        if (!IsMessageBox(window) || !answered->insert(window).second)
            return;
        std::string caption = Caption(window);
        captions->push_back(caption);
        Press(window, answer(caption));
    };
}

PageStep BoxAnswer(const char* caption, int button, std::function<void(const std::string&)> seen)
{
    return { caption, kBoxText, [button, seen](HWND box) {
                if (seen)
                    seen(ControlText(box, kBoxText));
                Press(box, button);
            } };
}

void PageScript::Offer(HWND window)
{
    if (Done() || window == last_ || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return;
    const PageStep& step = steps_[next_];
    if (Caption(window) != step.caption || !GetDlgItem(window, step.controlId))
        return;
    last_ = window;
    next_++;
    step.act(window);
}

} // namespace kvtest
