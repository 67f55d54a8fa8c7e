#pragma once

namespace zuvo {

// Registers how assistive technology sees the skinned controls: a skinned button is a push
// button whose press action clicks it, a display text is static text. Safe to call more than
// once; the controls call it themselves.
void InstallSkinAccessibility();

}  // namespace zuvo
