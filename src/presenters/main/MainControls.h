// The one list of the main window's controls: object name, kind, initial caption and the
// container it sits in. The Qt window builds its widgets from it, the in-memory view
// knows exactly these names, so a misspelt name fails instead of doing nothing.
#pragma once

#include <string>
#include <vector>

#include "presenters/common/View.h"

namespace korv::ui {

// The two roots of the tree are not controls of the list: "PageControl1" holds the tab
// pages, "MainMenu1" the menus. Every other container is itself in the list.
inline constexpr const char* kMainPageControl = "PageControl1";
inline constexpr const char* kMainMenuBar = "MainMenu1";
inline constexpr const char* kMainWindowCaption = "Korvan (KORV) by Telmar Lab.";
inline constexpr const char* kApplicationTitle = "KORV";

struct MainControl {
  std::string name;
  ControlKind kind;
  std::string caption;       // initial caption or text; "-" marks a menu separator
  std::string parent;        // tab page, group box or menu it sits in; "" for the window itself
  std::string toolTip = {};  // shown on hovering; empty for none
};

// Shown beside a negative compensating density of an evaluation.
inline constexpr const char* kNegativeNcomNotice =
    "The negative compensating density means that an undeterminable shallower level may exist.";

// The tooltip of the DX Center item, which stays disabled.
inline constexpr const char* kDXCenterToolTip = "DX Center has no analysis in this version.";

// Named groups of controls that several commands enable or disable together, in the
// order the commands set them.
namespace main_group {
// The side windows the saved or loaded Fermi level opens.
inline constexpr const char* kFermiMenus[] = {"MenuInverseT", "MenuInverseTCom", "MenuDHES"};
// The side windows (and the button) that need an analysis after the Fermi level.
inline constexpr const char* kLateCommands[] = {"MenuExcitedStates", "MenuDXCenter", "MenuCurveFitting",
                                                "ButtonFineAdjustment"};
// The E_ref steps of H1 (Advanced mode).
inline constexpr const char* kErefSteps[] = {"ButtonDecreaseErefH1", "ButtonDecreaseErefH1Precise",
                                             "ButtonIncreaseErefH1", "ButtonIncreaseErefH1Precise"};
}  // namespace main_group

// Every control of the main window, containers before what they contain, menu items in
// menu order.
const std::vector<MainControl>& MainControls();

// The same list as plain controls, for the in-memory view.
std::vector<Control> MainControlList();

// Names of the formula pictures, for the family tests and the view.
std::vector<std::string> MainPictureNames();

}  // namespace korv::ui
