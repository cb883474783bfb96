#pragma once

namespace ndr::behaviour {

// A display in front of an X server that hands each key release on by
// itself, a moment before whatever follows it, as a display reached over a
// network may. A window then sees a held key's repeated release before the
// press that the server sent with it. Serves one client, on threads of its
// own, for the rest of the process. Returns the new display's number, or -1.
int StartSlowReleaseDisplay(int serverNumber);

}  // namespace ndr::behaviour
