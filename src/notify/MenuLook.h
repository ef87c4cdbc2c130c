#pragma once

// How menu items are painted: the program's gradient painter while menu
// effects are on, otherwise the standard look in the chosen menu style
// ("Auto", "Standart", "WindowsXP Style", stored as 0, 1, 2).
enum class MenuLook { Gradient, Standard, WindowsXP };

// "Auto" means the XP look, as on every system since Windows XP; an index
// out of range counts as the stored default, the XP look.
MenuLook menuLook(bool effects, int styleIndex);
