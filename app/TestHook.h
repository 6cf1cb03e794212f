#pragma once
// A hook for the tests that run the glossel program itself, which cannot reach into the
// process to open a menu. With GLOSSEL_TEST_HOOK set in the environment, once the main
// window is shown the program opens over it what the variable names, as a person would:
//
//   context-menu   the text's context menu (as a right-click on the text opens it)
//   file-menu      the File menu of the menu bar
//   open           the Open dialog
//   styles         the Syntax Styles dialog
//   colour         the colour chooser, from the Syntax Styles dialog's Change Colour
//   about          the About box
//   window         nothing: the main window alone
//   painted        nothing; the line is written once the text's first paint is done
//                  (for timing an open from the outside)
//
// and, from inside the loop of what it opened, writes one line to standard output:
// "glossel-test-hook: " and the class of the innermost menu or box open ("none" when
// there is none), " over " and the main window's title, e.g.
// "glossel-test-hook: QMenu over lamp.inf - Glossel". Any other value does nothing.

class CGlosselApp;

// Installs the hook the environment asks for, if any; call before app.Run().
void InstallTestHook(CGlosselApp& app);
