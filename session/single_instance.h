// Keeps an executable to one running instance; a second start hands its
// arguments to the first and ends the process.
#pragma once

void checkSingleInstance(bool consultConfiguration, bool notify);
