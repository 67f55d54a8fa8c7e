#pragma once

// The phone book window's own messages, commands and controls. Its messages stay inside the
// process: the window has no bus endpoint, so nothing from outside can reach them.

#include <cstdint>

namespace zuvo::PhoneBookIds {

inline constexpr auto kWindowClass = u"ZuvoPhoneBook";

// Messages to the inner view.
inline constexpr uint32_t NewContact = 0x720;
inline constexpr uint32_t EditContact = 0x721;
inline constexpr uint32_t DeleteContact = 0x722;

// Menu 365.
inline constexpr int Menu = 365;
inline constexpr int Exit = 32811;
inline constexpr int ViewByFirstName = 33771;
inline constexpr int ViewByLastName = 33772;
inline constexpr int ViewByCompany = 33773;
inline constexpr int NewContactCommand = 33774;

// Controls (a widget's object name is its id in decimal).
inline constexpr int SearchBox = 2254;
inline constexpr int ClearSearch = 2255;
inline constexpr int Tree = 2256;
inline constexpr int AddContactButton = 32179;
inline constexpr int WindowIcon = 32184;

// The edit dialog.
inline constexpr int Dialog = 2130;
inline constexpr int First = 118;
inline constexpr int Middle = 1000;
inline constexpr int Last = 1001;
inline constexpr int Display = 1011;
inline constexpr int Company = 1003;
inline constexpr int Home = 1004;
inline constexpr int Business = 1005;
inline constexpr int Mobile = 1006;
inline constexpr int Other = 1007;
inline constexpr int Home2 = 119;
inline constexpr int Business2 = 1002;

// Item images of the tree, which also tell an item's kind.
enum Image : int {
    ImageContact = 0,
    ImageGroup = 1,
    ImageGroupSelected = 2,
    ImageHome = 3,
    ImageBusiness = 4,
    ImageHome2 = 5,
    ImageBusiness2 = 6,
    ImageMobile = 7,
    ImageOther = 8,
    ImagePlaceholder = 9,
};

}  // namespace zuvo::PhoneBookIds
