// Shade-to-colour mapping of the coloured figures: black through blue and cyan
// to near white as the shade runs from 0 to 1.
#include "report/report.h"

void shadeToRGB(float shade, double* red, double* green, double* blue) {
  const double s = shade;  // the row is chosen in double; a NaN fails both tests
  if (s < 0.33) {
    *red = 0;
    *green = 0;
    // Formed in single precision: the printed digits depend on it.
    const float dark = 3 * shade;
    *blue = dark;
  } else if (s < 0.67) {
    *red = 0;
    *green = 3 * (s - 0.33);
    *blue = 1;
  } else {
    *red = 3 * (s - 0.67);
    *green = 1;
    *blue = 1;
  }
}
