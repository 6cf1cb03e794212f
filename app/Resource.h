#pragma once
// Command, control and string identifiers of the viewer. Actions carry their command id
// as data and as object name (ID_FILE_OPEN, ...), so tests and tools can find them.

inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_ABOUTBOX = 100;

inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;  // and the fifteen after it
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_TOOLS_SYNTAX_STYLES = 32771;
inline constexpr int ID_VIEW_TOOLBAR = 59392;     // also the toolbar's window id
inline constexpr int ID_VIEW_STATUS_BAR = 59393;  // also the status bar's window id
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

// The reading tools: the Edit menu, Go to Line and Go to Symbol, View > Outline and the
// position pane.
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_EDIT_REPEAT = 57637;  // Find Next
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_EDIT_FIND_PREVIOUS = 32772;
inline constexpr int ID_EDIT_GOTO_LINE = 32773;
inline constexpr int ID_EDIT_GOTO_SYMBOL = 32774;
inline constexpr int ID_VIEW_OUTLINE = 32775;
inline constexpr int ID_INDICATOR_POSITION = 32776;
// The zoom of the text: keys of the whole window, on no menu.
inline constexpr int ID_VIEW_ZOOM_IN = 32777;
inline constexpr int ID_VIEW_ZOOM_OUT = 32778;
inline constexpr int ID_VIEW_ZOOM_RESET = 32779;

// The Go menu and the References dock: reading the whole game.
inline constexpr int ID_GO_BACK = 32780;
inline constexpr int ID_GO_FORWARD = 32781;
inline constexpr int ID_GO_DEFINITION = 32782;
inline constexpr int ID_GO_REFERENCES = 32783;
inline constexpr int ID_GO_SYMBOL_IN_GAME = 32784;
inline constexpr int ID_VIEW_REFERENCES = 32785;

// View > Compile As and Show Skipped Code: the game as the compiler compiles it.
inline constexpr int ID_VIEW_COMPILE_ZCODE = 32786;
inline constexpr int ID_VIEW_COMPILE_GLULX = 32787;
inline constexpr int ID_VIEW_COMPILE_DEBUG = 32788;
inline constexpr int ID_VIEW_SKIPPED_CODE = 32789;

inline constexpr int RECENT_FILE_COUNT = 10;

// Strings of the user interface.
inline constexpr const char* APP_TITLE = "Glossel";
inline constexpr const char* IDLE_MESSAGE = "Ready";
inline constexpr const char* UNREGISTER_DONE =
    "System registry entries have been removed and the INI file (if any) was deleted.";

// The prompt of a command: the status-bar text, then after a line feed its tooltip.
struct CommandPrompt {
    int id;
    const char* text;
};
inline constexpr CommandPrompt COMMAND_PROMPTS[] = {
    {ID_TOOLS_SYNTAX_STYLES, "Edit styles used for syntax highlighting\nEdit styles"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_MRU_FILE1, "Open this document"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application\nExit"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_SELECT_ALL, "Select the entire document\nSelect All"},
    {ID_EDIT_FIND, "Find the specified text\nFind"},
    {ID_EDIT_REPEAT, "Find the next occurrence of the text\nFind Next"},
    {ID_EDIT_FIND_PREVIOUS, "Find the previous occurrence of the text\nFind Previous"},
    {ID_EDIT_GOTO_LINE, "Move to the start of a line given by its number\nGo to Line"},
    {ID_EDIT_GOTO_SYMBOL, "Move to a definition chosen by its name\nGo to Symbol"},
    {ID_VIEW_OUTLINE, "Show or hide the outline of the game's files and definitions\nToggle Outline"},
    {ID_GO_BACK, "Go back to the place before the last jump\nBack"},
    {ID_GO_FORWARD, "Go forward to the place left by Back\nForward"},
    {ID_GO_DEFINITION, "Move to the definition of the name at the caret, or open the included file\nGo to Definition"},
    {ID_GO_REFERENCES, "List every use in the game of the name at the caret\nFind References"},
    {ID_GO_SYMBOL_IN_GAME, "Move to a definition anywhere in the game chosen by its name\nGo to Symbol in Game"},
    {ID_VIEW_REFERENCES, "Show or hide the list of the references found\nToggle References"},
    {ID_VIEW_COMPILE_ZCODE, "Read the game as the compiler compiles it for the Z-machine\nZ-code"},
    {ID_VIEW_COMPILE_GLULX, "Read the game as the compiler compiles it for Glulx\nGlulx"},
    {ID_VIEW_COMPILE_DEBUG, "Read the game as the compiler compiles it with debugging (-D)\nDebug"},
    {ID_VIEW_SKIPPED_CODE, "Show or hide the marks on the code the compiler skips\nShow Skipped Code"},
};
