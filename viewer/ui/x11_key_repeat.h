#pragma once

namespace ndr {

// On X11 a held key sends a release and a press at each repeat, and Qt can
// only guess that such a release is not real, by looking for the press that
// follows it; when the press arrives a moment later the guess fails and the
// window acts on a key that is still down. This asks the X server for one
// release only, when the key comes up. Elsewhere it does nothing.
void AskForTrueKeyReleases();

}  // namespace ndr
