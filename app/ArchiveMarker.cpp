#include "installer/EmbeddedArchive.h"

namespace tolma {

// The marker stands once in the image, and the packaging step rewrites its offset field in the
// file after building: volatile keeps the compiler from folding the bytes it knows at build
// time, and external linkage from dropping or copying the object.
extern volatile const unsigned char ArchiveMarker[12];
volatile const unsigned char ArchiveMarker[12] = {'z', 'x', 'c', 'v', 'X', 'X',
                                                  'X', 'X', 'v', 'b', 'n', 'm'};

ArchiveMarkerBytes ReadArchiveMarker() {
  ArchiveMarkerBytes marker{};
  for (size_t i = 0; i < marker.size(); ++i) marker[i] = ArchiveMarker[i];
  return marker;
}

}  // namespace tolma
