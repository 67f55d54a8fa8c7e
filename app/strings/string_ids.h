#pragma once

// Ids of the string table (resources/strings/EN.tsv and the language bundles). Contract
// numbers: keep every value, append only. Call sites name these, never the bare numbers.

#include <array>

namespace zuvo::StringId {

// Start-up
inline constexpr int SocketsInitFailed = 104;

// Phone book
inline constexpr int FindContactCue = 2302;
inline constexpr int AddContact = 2303;
inline constexpr int NameHeader = 2304;
inline constexpr int NoPhoneDetails = 2310;
inline constexpr int CallHome = 2314;
inline constexpr int CallWork = 2315;
inline constexpr int CallHome2 = 2316;
inline constexpr int CallWork2 = 2317;
inline constexpr int CallMobile = 2318;
inline constexpr int CallOther = 2319;
inline constexpr int EditContact = 2320;
inline constexpr int DeleteContact = 2321;
inline constexpr int ConfirmDeleteContact = 2322;
inline constexpr int OtherContacts = 2323;
inline constexpr int ContactsUnavailable = 2900;

// Status line: StatusBase + call status code (0 to 23).
inline constexpr int StatusBase = 3000;
inline constexpr int ReadyToCall = 3000;
inline constexpr int StatusSigningIn = 3001;
inline constexpr int PleaseWait = 3002;
inline constexpr int PleaseWaitRinging = 3003;
inline constexpr int Incoming = 3004;
inline constexpr int Accepted = 3005;
inline constexpr int Answering = 3006;
inline constexpr int SignedIn = 3007;
inline constexpr int Holding = 3008;
inline constexpr int SignedOut = 3009;
inline constexpr int CallFailed = 3010;
inline constexpr int CallEnded = 3011;
inline constexpr int CallRejected = 3012;
inline constexpr int LineBusy = 3013;
inline constexpr int Transferring = 3014;
inline constexpr int Voicemail = 3015;
inline constexpr int AnsweringMachine = 3016;
inline constexpr int RemotePartyOffline = 3017;
inline constexpr int Calling = 3018;
inline constexpr int SigningIn = 3019;
inline constexpr int Mute = 3020;
inline constexpr int MinutesValue = 3021;  // "%" stands for the minutes text
inline constexpr int MinutesForThisCall = 3022;
inline constexpr int EncryptionRequired = 3023;
inline constexpr int StatusLast = 3023;

// Tool tips
inline constexpr int HoldToDial = 4000;
inline constexpr int TipMakeCall = 4012;
inline constexpr int TipEndCall = 4013;
inline constexpr int TipMyAccount = 4014;
inline constexpr int TipHelp = 4015;
inline constexpr int TipSignOut = 4016;
inline constexpr int TipMinimize = 4017;
inline constexpr int TipCallStatus = 4018;
inline constexpr int TipSigninStatus = 4019;
inline constexpr int TipAccountBalance = 4020;
inline constexpr int TipPhoneNumber = 4021;
inline constexpr int TipMenu = 4024;
inline constexpr int TipEnterAccount = 4025;
inline constexpr int TipEnterPin = 4026;
inline constexpr int TipMaximumCallLength = 4027;
inline constexpr int TipRedial = 4028;
inline constexpr int TipCallRates = 4029;

// Menus and titles
inline constexpr int CallHistoryMenu = 5000;
inline constexpr int PreferencesTitle = 5002;
inline constexpr int TipSpeakerVolume = 5005;
inline constexpr int TipMicrophoneVolume = 5006;
inline constexpr int VisitSite = 5007;  // "%" stands for the site name
inline constexpr int TipOpenPhoneBook = 5008;

// Sign-in messages
inline constexpr int IncorrectPin = 6601;
inline constexpr int IncorrectAccount = 6602;
inline constexpr int SigninFailed = 6603;
inline constexpr int ServiceUnavailable = 6604;

// Audio wizard and configuration lock
inline constexpr int PlaySound = 6704;
inline constexpr int StopSound = 6705;
inline constexpr int PinMismatchTitle = 6706;
inline constexpr int PinMismatch = 6707;
inline constexpr int IllegalPinTitle = 6708;
inline constexpr int PinTooShort = 6709;
inline constexpr int WrongAdminPin = 6710;

// Dialog texts, one block per dialog: common buttons 7000, sign-in 7100, proxy 7200, call
// history 7300, preferences 7400, lock and unlock 7500, About 7600, the Audio Tune wizard 7700,
// the phone book window and its edit dialog 7800. Dialogs added later take the next free block.
inline constexpr int ButtonOk = 7001;
inline constexpr int ButtonCancel = 7002;
inline constexpr int ButtonApply = 7003;
inline constexpr int ButtonHelp = 7004;
inline constexpr int ButtonClose = 7005;
inline constexpr int ButtonYes = 7006;
inline constexpr int ButtonNo = 7007;
inline constexpr int SigninCaption = 7100;  // "%" stands for the brand name
inline constexpr int SigninUserLabel = 7101;
inline constexpr int SigninPasswordLabel = 7102;
inline constexpr int SigninRememberUser = 7103;
inline constexpr int SigninRememberPassword = 7104;
inline constexpr int SigninUseTunnel = 7105;
inline constexpr int SigninSignIn = 7106;
inline constexpr int SigninExit = 7107;
inline constexpr int ProxyTitle = 7200;
inline constexpr int ProxyHeading = 7201;
inline constexpr int ProxyNone = 7202;
inline constexpr int ProxyDesktop = 7203;
inline constexpr int ProxyExplicit = 7204;
inline constexpr int ProxyAddress = 7205;
inline constexpr int ProxyHttpPort = 7206;
inline constexpr int ProxyHttpsPort = 7207;
inline constexpr int ProxyUserName = 7208;
inline constexpr int ProxyPassword = 7209;
inline constexpr int ProxyAsksCredentials = 7210;  // "%1" is the proxy server
inline constexpr int HistoryTitle = 7300;
inline constexpr int HistoryKeyHeader = 7301;
inline constexpr int HistoryNumberHeader = 7302;
inline constexpr int HistoryCall = 7303;
inline constexpr int PrefDisplayBalance = 7401;
inline constexpr int PrefDisplayMinutes = 7402;
inline constexpr int PrefPopups = 7403;
inline constexpr int PrefAutomaticPort = 7404;
inline constexpr int PrefFixedPort = 7405;
inline constexpr int PrefSaveOptions = 7406;
inline constexpr int PrefLockToAccount = 7407;
inline constexpr int PrefAccountButton = 7408;
inline constexpr int PrefWebLinks = 7409;
inline constexpr int PrefPhoneBook = 7410;
inline constexpr int PrefGeneralGroup = 7411;
inline constexpr int PrefCallShopGroup = 7412;
inline constexpr int PrefRtpGroup = 7413;
inline constexpr int PrefDesktopPage = 7414;
inline constexpr int PrefStartHidden = 7415;
inline constexpr int PrefAutostart = 7416;
inline constexpr int PrefNotifyIncomingCall = 7417;
inline constexpr int PrefNotifyLowBalance = 7418;
inline constexpr int PrefDialLinks = 7419;
inline constexpr int LockTitle = 7500;
inline constexpr int LockAdminPin = 7501;
inline constexpr int LockConfirmPin = 7502;
inline constexpr int LockPinHint = 7503;
inline constexpr int UnlockTitle = 7510;
inline constexpr int UnlockPermanently = 7511;
inline constexpr int AboutTitle = 7600;
inline constexpr int AboutVersionLabel = 7601;
inline constexpr int AudioTuneTitle = 7700;
inline constexpr int AudioIntroTitle = 7701;
inline constexpr int AudioIntroText = 7702;
inline constexpr int AudioAcceleration = 7703;
inline constexpr int AudioAccelerationNote = 7704;
inline constexpr int AudioSpeakersTitle = 7705;
inline constexpr int AudioSpeakersText = 7706;
inline constexpr int AudioEcho = 7707;
inline constexpr int AudioEchoNote = 7708;
inline constexpr int AudioMicrophoneTitle = 7709;
inline constexpr int AudioMicrophoneText = 7710;
inline constexpr int WizardBack = 7711;
inline constexpr int WizardNext = 7712;
inline constexpr int WizardFinish = 7713;
inline constexpr int PhoneBookTitle = 7800;
inline constexpr int PhoneBookFileMenu = 7801;
inline constexpr int PhoneBookExit = 7802;
inline constexpr int PhoneBookViewMenu = 7803;
inline constexpr int PhoneBookByFirstName = 7804;
inline constexpr int PhoneBookByLastName = 7805;
inline constexpr int PhoneBookByCompany = 7806;
inline constexpr int PhoneBookContactsMenu = 7807;
inline constexpr int PhoneBookNewContact = 7808;
inline constexpr int ContactTitle = 7810;
inline constexpr int ContactFirst = 7811;
inline constexpr int ContactMiddle = 7812;
inline constexpr int ContactLast = 7813;
inline constexpr int ContactDisplay = 7814;
inline constexpr int ContactCompany = 7815;
inline constexpr int ContactHome = 7816;
inline constexpr int ContactBusiness = 7817;
inline constexpr int ContactMobile = 7818;
inline constexpr int ContactOther = 7819;
inline constexpr int ContactHome2 = 7820;
inline constexpr int ContactBusiness2 = 7821;

// A phone link (tel:, sip:, sips:, callto:) refused at start
inline constexpr int LinkEmpty = 8500;
inline constexpr int LinkTooLong = 8501;
inline constexpr int LinkOtherScheme = 8502;
inline constexpr int LinkControlCharacter = 8503;
inline constexpr int LinkBadEncoding = 8504;
inline constexpr int LinkNotANumber = 8505;

// Browser window
inline constexpr int Downloading = 33777;
inline constexpr int DownloadDone = 33778;

// Application title and input validation
inline constexpr int AppTitle = 57344;
inline constexpr int EnterInteger = 61712;
inline constexpr int EnterIntegerInRange = 61714;  // "%1" and "%2" are the bounds

// Every id above once, in ascending order.
inline constexpr std::array All = {
    SocketsInitFailed,
    FindContactCue,
    AddContact,
    NameHeader,
    NoPhoneDetails,
    CallHome,
    CallWork,
    CallHome2,
    CallWork2,
    CallMobile,
    CallOther,
    EditContact,
    DeleteContact,
    ConfirmDeleteContact,
    OtherContacts,
    ContactsUnavailable,
    ReadyToCall,
    StatusSigningIn,
    PleaseWait,
    PleaseWaitRinging,
    Incoming,
    Accepted,
    Answering,
    SignedIn,
    Holding,
    SignedOut,
    CallFailed,
    CallEnded,
    CallRejected,
    LineBusy,
    Transferring,
    Voicemail,
    AnsweringMachine,
    RemotePartyOffline,
    Calling,
    SigningIn,
    Mute,
    MinutesValue,
    MinutesForThisCall,
    EncryptionRequired,
    HoldToDial,
    TipMakeCall,
    TipEndCall,
    TipMyAccount,
    TipHelp,
    TipSignOut,
    TipMinimize,
    TipCallStatus,
    TipSigninStatus,
    TipAccountBalance,
    TipPhoneNumber,
    TipMenu,
    TipEnterAccount,
    TipEnterPin,
    TipMaximumCallLength,
    TipRedial,
    TipCallRates,
    CallHistoryMenu,
    PreferencesTitle,
    TipSpeakerVolume,
    TipMicrophoneVolume,
    VisitSite,
    TipOpenPhoneBook,
    IncorrectPin,
    IncorrectAccount,
    SigninFailed,
    ServiceUnavailable,
    PlaySound,
    StopSound,
    PinMismatchTitle,
    PinMismatch,
    IllegalPinTitle,
    PinTooShort,
    WrongAdminPin,
    ButtonOk,
    ButtonCancel,
    ButtonApply,
    ButtonHelp,
    ButtonClose,
    ButtonYes,
    ButtonNo,
    SigninCaption,
    SigninUserLabel,
    SigninPasswordLabel,
    SigninRememberUser,
    SigninRememberPassword,
    SigninUseTunnel,
    SigninSignIn,
    SigninExit,
    ProxyTitle,
    ProxyHeading,
    ProxyNone,
    ProxyDesktop,
    ProxyExplicit,
    ProxyAddress,
    ProxyHttpPort,
    ProxyHttpsPort,
    ProxyUserName,
    ProxyPassword,
    ProxyAsksCredentials,
    HistoryTitle,
    HistoryKeyHeader,
    HistoryNumberHeader,
    HistoryCall,
    PrefDisplayBalance,
    PrefDisplayMinutes,
    PrefPopups,
    PrefAutomaticPort,
    PrefFixedPort,
    PrefSaveOptions,
    PrefLockToAccount,
    PrefAccountButton,
    PrefWebLinks,
    PrefPhoneBook,
    PrefGeneralGroup,
    PrefCallShopGroup,
    PrefRtpGroup,
    PrefDesktopPage,
    PrefStartHidden,
    PrefAutostart,
    PrefNotifyIncomingCall,
    PrefNotifyLowBalance,
    PrefDialLinks,
    LockTitle,
    LockAdminPin,
    LockConfirmPin,
    LockPinHint,
    UnlockTitle,
    UnlockPermanently,
    AboutTitle,
    AboutVersionLabel,
    AudioTuneTitle,
    AudioIntroTitle,
    AudioIntroText,
    AudioAcceleration,
    AudioAccelerationNote,
    AudioSpeakersTitle,
    AudioSpeakersText,
    AudioEcho,
    AudioEchoNote,
    AudioMicrophoneTitle,
    AudioMicrophoneText,
    WizardBack,
    WizardNext,
    WizardFinish,
    PhoneBookTitle,
    PhoneBookFileMenu,
    PhoneBookExit,
    PhoneBookViewMenu,
    PhoneBookByFirstName,
    PhoneBookByLastName,
    PhoneBookByCompany,
    PhoneBookContactsMenu,
    PhoneBookNewContact,
    ContactTitle,
    ContactFirst,
    ContactMiddle,
    ContactLast,
    ContactDisplay,
    ContactCompany,
    ContactHome,
    ContactBusiness,
    ContactMobile,
    ContactOther,
    ContactHome2,
    ContactBusiness2,
    LinkEmpty,
    LinkTooLong,
    LinkOtherScheme,
    LinkControlCharacter,
    LinkBadEncoding,
    LinkNotANumber,
    Downloading,
    DownloadDone,
    AppTitle,
    EnterInteger,
    EnterIntegerInRange,
};

}  // namespace zuvo::StringId
