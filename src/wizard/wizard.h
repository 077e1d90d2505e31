// The setup wizard's driver: the road from the welcome page through the destination and the
// choices to the install behind the copy box, or to the removal; silent or interactive. It
// hands the install the questions its pages answer.
#pragma once
#include "base/base.h"

// driver.cpp
// returns 1 after a successful install, 0 after a cancel, a failure or a removal
int RunWizard(HWND ownerWindow, unsigned int preselected, unsigned int offered);

// questions.cpp
// The install's questions answered by the pages and boxes of an interactive run; a silent
// run hands the install kDefaultAnswers (engine.h) instead.
struct InstallQuestions;
extern const InstallQuestions kPageQuestions;

// driver.cpp: pure decisions of the driver.
// The platform's default destination: the system folder's drive and the folder of the
// version row. versionKnown is 0 when the version query failed.
bool DefaultDestination(char* dest, size_t size, const char* systemFolder, int versionKnown, DWORD platformId,
                        DWORD majorVersion);
// The install mask from the page's selection, the utilities flag and the silent flag.
unsigned int BuildInstallMask(unsigned int selection, int installUtilities, int silent);
// The MAILADDR fix-up: replaces the placeholder address; returns true when the (possibly
// replaced) value is to be written back.
bool FixMailAddress(char* address, size_t size);
