#pragma once

namespace zuvo {

// True when the platform in use lets the phone place its windows; not so on Wayland, where the
// compositor alone places them and the phone's remembered position is neither applied nor
// stored. Needs the application object.
bool PlatformAllowsPositions();

}  // namespace zuvo
