#pragma once
// The suite speaks Brazilian Portuguese: the default locale (dates, numbers,
// calendar names) and Qt's own texts (standard buttons, context menus).
namespace qor {

// Sets pt_BR as the default locale and installs Qt's pt_BR translations on the
// application; false when the translations are not installed (the locale is
// set in any case). Call once the application exists, before any window.
bool UsePortuguese();

}
