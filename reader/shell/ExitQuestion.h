#pragma once

// The question before the reader ends, shared by the main menu's and the tray menu's Exit.
class ExitQuestion
{
public:
    // True when the user answered Yes.
    static bool confirm();
};
