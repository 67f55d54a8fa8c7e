#pragma once

#include <QString>

namespace zuvo {

class Profile;

// The phone book's call: puts number into the hand-over slot "Call History" \ "FA" (creating the
// key) and asks the phone window ("ZuvoClass", found on the bus) to dial it and come to the
// front. False when no phone window answers or the slot cannot be written.
bool HandNumberToPhone(Profile& profile, const QString& number);

}  // namespace zuvo
