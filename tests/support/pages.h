// A small driver for the setup's pages and message boxes as a user meets them: find a page
// by its caption, read its controls' texts and states, press its buttons. It works on the
// windows of another process (the setup under test) or another thread, and waits for
// nothing but the message it sends; a button press is posted, so a page that opens another
// modal box does not hold the driver up.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace kvtest
{

// The captions of the setup's pages and boxes.
const char kCaption[] = "KORVID Pro Installation";
const char kFolderPage[] = "KORVID Pro Installation: Destination Folder";
const char kInterfacePage[] = "KORVID Pro Installation: Interface Selection";
const char kIconPage[] = "KORVID Pro Installation: Icon Placement";
const char kRestartPage[] = "KORVID Pro Installation: Congratulations!";
const char kGroupPage[] = "Program Manager Group";
// A message box given no caption of its own gets the system's.
const char kNoCaption[] = "Error";
// A message box's text control.
const int kBoxText = 0xFFFF;
const char kInstallFailed[] = "Some portion of installation process failed.";

// The text of a control (kBoxText is a message box's text), "" when there is none.
std::string ControlText(HWND page, int id);
bool IsChecked(HWND page, int id);
bool IsEnabled(HWND page, int id);
bool IsShown(HWND page, int id);
// The strings of a combo box's list, in list order.
std::vector<std::string> ComboItems(HWND page, int id);
// The control that has the keyboard focus in the page's thread, once the page has taken
// it (the wait gives up only against a hang).
HWND FocusedControl(HWND page);
void SetControlText(HWND page, int id, const std::string& text);
// A push button pressed: its command posted to the page.
void Press(HWND page, int id);
// A check box or radio button clicked, as with the mouse (it toggles and notifies).
void Click(HWND page, int id);
// A key pressed on the page (VK_RETURN, VK_ESCAPE): the dialog manager acts on it.
void PressKey(HWND page, UINT key);
// The window's caption.
std::string Caption(HWND window);
// A dialog (a page, a message box, the copy box).
bool IsDialog(HWND window);
// A message box: a dialog with a message box's text control (a progress box or a page is not).
bool IsMessageBox(HWND window);

// A scripted walk through the pages: each step waits for a visible, enabled window with
// its caption that has the step's control, then acts on it. A step never acts again on the
// window the step before it acted on, so a page that is still closing is not taken for the
// next one, while a page that stays open behind a message box is.
struct PageStep {
    std::string caption;
    int controlId;
    std::function<void(HWND)> act;
};
// A step that presses one button of a page.
PageStep PressStep(const char* caption, int controlId, int button);
// A step that answers a message box of that caption with the button, handing its text to
// seen first (when given).
PageStep BoxAnswer(const char* caption, int button, std::function<void(const std::string&)> seen = nullptr);
// A run's onVisibleWindow that answers each message box once, with the button answer gives
// for its caption, and notes the captions in the order the boxes showed.
std::function<void(HWND)> AnswerBoxes(std::vector<std::string>* captions,
                                      std::function<int(const std::string& caption)> answer);

class PageScript
{
public:
    explicit PageScript(std::vector<PageStep> steps) : steps_(std::move(steps))
    {
    }
    // Offers a window of the program; acts when it is the next step's.
    void Offer(HWND window);
    bool Done() const
    {
        return next_ == steps_.size();
    }
    // The caption of the step waited for, for failure messages.
    std::string Waiting() const
    {
        return Done() ? "(all steps done)" : steps_[next_].caption;
    }

private:
    std::vector<PageStep> steps_;
    size_t next_ = 0;
    HWND last_ = NULL;
};

} // namespace kvtest
