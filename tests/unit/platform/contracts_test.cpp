// What the phone shares with programs built apart from it: the phone and its own tools move
// together, so only these fixed values catch a renumbered message, a moved field or a renamed
// store value.

#include <gtest/gtest.h>

#include "platform/exit_code.h"
#include "platform/external_control_protocol.h"
#include "platform/handset_codes.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "platform/speed_dial_store.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::ExternalControlProtocol;

namespace {

TEST(ExternalControlProtocol, NamesGiveTheMessageNumbersEveryClientDerives) {
    EXPECT_EQ(kPhoneWindowClass, u"ZuvoClass"_s);
    // A client written elsewhere registers the names as published; it must get our numbers.
    const uint32_t bind = LocalBus::RegisterWindowMessage(kBindMessageName);
    const uint32_t reg = LocalBus::RegisterWindowMessage(kRegisterMessageName);
    EXPECT_EQ(bind, LocalBus::RegisterWindowMessage(u"TavicoreAccessAPIBind"_s));
    EXPECT_EQ(reg, LocalBus::RegisterWindowMessage(u"TavicoreAccessAPIRegister"_s));
    EXPECT_NE(bind, reg);
    for (const uint32_t message : {bind, reg}) {
        EXPECT_GE(message, 0xC000u);  // registered messages never meet the window's own ids
        EXPECT_LE(message, 0xFFFFu);
    }
    EXPECT_EQ(Msg::SpeedDialTooltip, 0x46Fu);
    EXPECT_EQ(Msg::DialHandover, 0x409u);
}

TEST(ExternalControlProtocol, NumbersOnTheWireAreFixed) {
    EXPECT_EQ(ToUnderlying(RegisterRequest::Unbind), 0u);
    EXPECT_EQ(ToUnderlying(RegisterRequest::Bind), 1u);
    EXPECT_EQ(ToUnderlying(RegisterRequest::Status), 0x1000u);

    const BindAnswer answers[] = {BindAnswer::Closing,    BindAnswer::Free,
                                  BindAnswer::Bound,      BindAnswer::AlreadyBound,
                                  BindAnswer::OtherBound, BindAnswer::Refused};
    for (WPARAM i = 0; i < std::size(answers); ++i)
        EXPECT_EQ(ToUnderlying(answers[i]), i);

    const ClientCommand commands[] = {
        ClientCommand::ClientRecord,   ClientCommand::Key,        ClientCommand::KeyUp,
        ClientCommand::DeleteLast,     ClientCommand::ShowNumber, ClientCommand::CallOrHangUp,
        ClientCommand::HangUp,         ClientCommand::Redial,     ClientCommand::VolumeUp,
        ClientCommand::VolumeDown,     ClientCommand::Mute,       ClientCommand::Unmute,
        ClientCommand::HistoryRequest, ClientCommand::HomePage,   ClientCommand::SupportPage,
        ClientCommand::StateRequest};
    for (uint32_t i = 0; i < std::size(commands); ++i)
        EXPECT_EQ(ToUnderlying(commands[i]), i + 1);
    EXPECT_EQ(kFirstClientCommand, ToUnderlying(ClientCommand::ClientRecord));
    EXPECT_EQ(kLastClientCommand, ToUnderlying(ClientCommand::StateRequest));

    const PhoneNotice notices[] = {PhoneNotice::State, PhoneNotice::Number, PhoneNotice::CallEnded,
                                   PhoneNotice::CallStarted, PhoneNotice::History};
    for (uint32_t i = 0; i < std::size(notices); ++i)
        EXPECT_EQ(ToUnderlying(notices[i]), i + 1);

    EXPECT_EQ(ToUnderlying(ClientOption::CallKeepsCall), 1);
    EXPECT_EQ(ToUnderlying(ClientOption::NoVolume), 2);
    EXPECT_EQ(ToUnderlying(ClientOption::StarDials), 4);
    EXPECT_EQ(ToUnderlying(ClientOption::HashDials), 8);
}

TEST(ExternalControlProtocol, RecordLayoutsAreFixed) {
    EXPECT_EQ(ClientRecord::kSize, 390);
    EXPECT_EQ(ClientRecord::kOptionsOffset, 132);
    EXPECT_EQ(ClientRecord::kMicOffset, 134);
    EXPECT_EQ(ClientRecord::kSpeakerOffset, 262);
    EXPECT_EQ(ClientRecord::kNameSize, 128);
    EXPECT_EQ(ClientRecord::kSpeakerOffset + ClientRecord::kNameSize, ClientRecord::kSize);

    EXPECT_EQ(StateRecord::kSize, 136);
    EXPECT_EQ(StateRecord::kNumberSize, 128);
    EXPECT_EQ(StateRecord::kCallActiveOffset, 128);
    EXPECT_EQ(StateRecord::kMutedOffset, 132);
    EXPECT_EQ(StateRecord::kMutedOffset + 4, StateRecord::kSize);
}

// Monitoring scripts read the unattended run's exit code.
TEST(ExitCodes, EveryCodeKeepsItsNumber) {
    const std::pair<ExitCode, int> codes[] = {{ExitCode::CallHeld, 0},
                                              {ExitCode::ConnectedWithoutMedia, 1},
                                              {ExitCode::EndedAfterMedia, 2},
                                              {ExitCode::EndedBeforeMedia, 3},
                                              {ExitCode::RingingWithMedia, 10},
                                              {ExitCode::RingingWithoutMedia, 11},
                                              {ExitCode::NotStarted, 20},
                                              {ExitCode::SignedIn, 21},
                                              {ExitCode::Dialled, 22},
                                              {ExitCode::Ringing, 23},
                                              {ExitCode::Connected, 24},
                                              {ExitCode::RegistrationFailed, 30},
                                              {ExitCode::WebServerUnresolved, 31},
                                              {ExitCode::NoInternet, 32},
                                              {ExitCode::WebServerSilent, 33},
                                              {ExitCode::SignOutStep, 34},
                                              {ExitCode::CallRejected, 35},
                                              {ExitCode::NoAnswer, 36},
                                              {ExitCode::LineBusy, 37}};
    for (const auto& [code, number] : codes)
        EXPECT_EQ(ToUnderlying(code), number);
}

// The speed-dial manager writes what the phone reads.
TEST(SpeedDialStore, NamesAndLimitsAreFixed) {
    EXPECT_EQ(SpeedDialStore::kSection, u"AddIns\\Speed Dial Manager"_s);
    EXPECT_EQ(SpeedDialStore::kKeys, u"0123456789*#"_s);
    EXPECT_EQ(SpeedDialStore::ValueName(0), u"Nu0"_s);
    EXPECT_EQ(SpeedDialStore::ValueName(11), u"Nu11"_s);
    EXPECT_EQ(SpeedDialStore::kSeparator, u';');
    EXPECT_EQ(SpeedDialStore::kMaxBytes, 1024);
}

// The handset driver reports these keys and reads these flags.
TEST(HandsetCodes, KeysAndFlagsAreFixed) {
    const HandsetKey keys[] = {
        HandsetKey::Star,         HandsetKey::Hash,        HandsetKey::Hook,
        HandsetKey::CallOrHangUp, HandsetKey::HangUp,      HandsetKey::Mute,
        HandsetKey::Redial,       HandsetKey::Account,     HandsetKey::DeleteLast,
        HandsetKey::VolumeUp,     HandsetKey::VolumeDown,  HandsetKey::Menu,
        HandsetKey::CallHistory,  HandsetKey::AudioWizard, HandsetKey::HomePage};
    for (int i = 0; i < static_cast<int>(std::size(keys)); ++i)
        EXPECT_EQ(ToUnderlying(keys[i]), 10 + i);
    EXPECT_EQ(ToUnderlying(HandsetKey::Digit0), 0);
    EXPECT_EQ(ToUnderlying(HandsetKey::Digit9), 9);
    EXPECT_EQ(ToUnderlying(HandsetOption::CallKeepsCall), 1);
    EXPECT_EQ(ToUnderlying(HandsetOption::StarDials), 4);
    EXPECT_EQ(ToUnderlying(HandsetOption::HashDials), 8);
    EXPECT_EQ(HandsetNotice::MenuCode, 3);
    EXPECT_EQ(HandsetNotice::FocusCode, 4);
    EXPECT_EQ(HandsetNotice::AttentionCode, 6);
}

}  // namespace
