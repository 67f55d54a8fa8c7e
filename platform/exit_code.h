#pragma once

// The phone's process exit code. The unattended test-call cycle records each of its steps here,
// so the code a run ends with tells a monitoring script how far the call got. Contract with
// those scripts: never change a number, only append.

namespace zuvo {

enum class ExitCode : int {
    CallHeld = 0,               // connected with media, held for the /C delay
    ConnectedWithoutMedia = 1,  // connected, no media before the /C delay ended
    EndedAfterMedia = 2,        // ended (not busy, not rejected) after media started
    EndedBeforeMedia = 3,       // ended before any media started
    RingingWithMedia = 10,      // ringing lasted the /R delay with early media
    RingingWithoutMedia = 11,   // ringing lasted the /R delay without media
    NotStarted = 20,            // initial value: the cycle never got going
    SignedIn = 21,              // step: signed in, waiting before dialling
    Dialled = 22,               // step: the call was placed
    Ringing = 23,               // step: the far end rings
    Connected = 24,             // step: the call connected
    RegistrationFailed = 30,    // registration rejected or failed
    WebServerUnresolved = 31,   // the web server's name did not resolve (only with /D)
    NoInternet = 32,            // no Internet connection and the web server did not answer
    WebServerSilent = 33,       // a web server did not answer during the scan
    SignOutStep = 34,           // step that only signs out; nothing records it today
    CallRejected = 35,          // rejected with a SIP code other than 486
    NoAnswer = 36,              // neither ringing nor an answer within the /U delay
    LineBusy = 37,              // busy (486)
};

}  // namespace zuvo
