// The launcher's own executable file, opened for reading; ends the process
// with the media-file text when it cannot be opened.
#pragma once

#include "launcher/handle.h"

UniqueFile openOwnExecutable();
