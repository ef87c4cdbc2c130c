#include "SmileyPictures.h"

#include "SmileyTable.h"

namespace {

bool validOrder(int order)
{
    return order >= 1 && order <= SmileyTable::kRowCount;
}

} // namespace

// Resources in a static library are left out by the linker unless something
// refers to their registration; Q_INIT_RESOURCE must stand outside a namespace.
static void registerSmileyResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(smileys);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace SmileyPictures {

void registerPictures()
{
    registerSmileyResources();
}

QString picture(int order)
{
    if (!validOrder(order))
        return {};
    registerPictures();
    return SmileyTable::row(order).pictureFile();
}

QImage image(int order)
{
    if (!validOrder(order))
        return {};
    registerPictures();
    return QImage(SmileyTable::row(order).pictureFile());
}

QPixmap pixmap(int order)
{
    if (!validOrder(order))
        return {};
    registerPictures();
    return QPixmap(SmileyTable::row(order).pictureFile());
}

QIcon icon(int order)
{
    if (!validOrder(order))
        return {};
    registerPictures();
    return QIcon(SmileyTable::row(order).pictureFile());
}

} // namespace SmileyPictures
