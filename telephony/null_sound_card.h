#pragma once

typedef struct _MSFactory MSFactory;

namespace zuvo {

// Driver and card name of the stand-in sound card; liblinphone names it "Null: Silence".
inline constexpr const char* kNullCardId = "Null: Silence";

// Adds to the media factory a sound card that captures silence at the pace of the media clock
// and drops what it is given to play. A machine without a sound card thus still sends and
// receives RTP for every call, and every audio path keeps running.
void RegisterNullSoundCard(MSFactory* factory);

// Whether the card the media stack names id is the stand-in (ids may carry the device type).
bool IsNullSoundCard(MSFactory* factory, const char* id);

}  // namespace zuvo
