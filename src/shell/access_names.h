// Names for assistive technology: every control of the main window's pages
// gets a name that tells it apart from the others on its page ("Portout Bit
// 4", "Konstante A", "Zeitbasis 10 ms/DIV"), and the drawn widgets a name
// and description; the PWM bar gets keys that raise and lower its value. A
// control added to a page gets its name here; the access test walks every
// page and finds the ones without.
#pragma once

class TForm1;

void nameControlsForAccess(TForm1& window);
