// The entry point of zimmo-gallery.exe (a GUI program: the runtime calls main).
#include "gallery/Gallery.h"

int main() { return RunGallery(); }
