#include "app/ui/control_table.h"

#include "app/strings/string_ids.h"
#include "platform/ids.h"

namespace zuvo {

const std::array<ControlEntry, 12> kKeypadControls = {{
    {Cmd::Key0 + 0, u"0", WinRect(151, 313, 192, 354), u"218", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 1, u"1", WinRect(109, 186, 150, 227), u"219", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 2, u"2", WinRect(151, 186, 192, 227), u"220", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 3, u"3", WinRect(193, 186, 234, 227), u"221", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 4, u"4", WinRect(109, 228, 150, 269), u"222", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 5, u"5", WinRect(151, 228, 192, 269), u"223", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 6, u"6", WinRect(193, 228, 234, 269), u"224", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 7, u"7", WinRect(109, 271, 150, 312), u"225", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 8, u"8", WinRect(151, 271, 192, 312), u"226", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 9, u"9", WinRect(193, 271, 234, 312), u"227", SkinModule::Program, kKeypadTooltip},
    {Cmd::Key0 + 10, u"*", WinRect(109, 313, 150, 354), u"228", SkinModule::Program,
     kKeypadTooltip},
    {Cmd::KeyHash, u"#", WinRect(193, 313, 234, 354), u"229", SkinModule::Program, kKeypadTooltip},
}};

const std::array<ControlEntry, 7> kFunctionControls = {{
    {Cmd::Call, u"Call", WinRect(150, 390, 236, 446), u"216", SkinModule::Language,
     StringId::TipMakeCall},
    {Cmd::HangUp, u"Hang", WinRect(101, 411, 149, 427), u"217", SkinModule::Language,
     StringId::TipEndCall},
    {Cmd::Account, u"Dollar", WinRect(23, 186, 74, 227), u"234", SkinModule::Language,
     StringId::TipMyAccount},
    {Cmd::Rates, u"Rates", QRect(), u"366", SkinModule::Language, StringId::TipCallRates},
    {Cmd::Redial, u"Redial", WinRect(54, 411, 100, 427), u"332", SkinModule::Language,
     StringId::TipRedial},
    {Cmd::SignOut, u"Close", WinRect(225, 8, 245, 26), u"231", SkinModule::Program,
     StringId::TipSignOut},
    {Cmd::Minimize, u"Min", WinRect(204, 8, 224, 26), u"233", SkinModule::Program,
     StringId::TipMinimize},
}};

const ControlEntry kHomePageControl = {Cmd::HomePageButton,       u"Partner",
                                       WinRect(23, 227, 74, 268), u"286",
                                       SkinModule::Program,       kSiteNameTooltip};
const ControlEntry kMenuControl = {Cmd::Menu, u"Functions",         WinRect(23, 268, 74, 309),
                                   u"232",    SkinModule::Language, StringId::TipMenu};
const ControlEntry kPhoneBookControl = {Cmd::PhoneBook,
                                        u"PB",
                                        WinRect(23, 309, 74, 353),
                                        u"344",
                                        SkinModule::Language,
                                        StringId::TipOpenPhoneBook};

}  // namespace zuvo
