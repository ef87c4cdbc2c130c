#include "MenuLook.h"

MenuLook menuLook(bool effects, int styleIndex)
{
    if (effects)
        return MenuLook::Gradient;
    return styleIndex == 1 ? MenuLook::Standard : MenuLook::WindowsXP;
}
