// The command numbers of the main window. Those with a button are the numbers of the button
// command table (each is also the number of the button's picture); the others belong to menus
// only. Constants only.
#pragma once

namespace commands {

constexpr int kViewFile = 104;
constexpr int kLaunch = 107;
constexpr int kPrint = 109;
constexpr int kImage = 117;
constexpr int kComboSearch = 121;
constexpr int kFileSearch = 122;
constexpr int kSearch = 123;
constexpr int kZoomIn = 131;
constexpr int kZoomOut = 132;
constexpr int kPage = 136;
constexpr int kInvert = 137;
constexpr int kCreateIndex = 145;
constexpr int kUpdateIndex = 152;
constexpr int kCopy = 161;
constexpr int kNextHit = 165;
constexpr int kFindText = 166;
constexpr int kNextDoc = 168;
constexpr int kPrevDoc = 170;
constexpr int kPrevHit = 173;
constexpr int kFont = 190;
constexpr int kWrap = 418;

// Menu commands without a button.
constexpr int kRunScript = 601;
constexpr int kExit = 602;
constexpr int kEditButtonBar = 603;
constexpr int kExplain = 604;
constexpr int kVerifyIndex = 605;
constexpr int kAbout = 606;

}  // namespace commands
