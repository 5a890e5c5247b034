// Console switches: attach to the parent's console or make a new one.
#pragma once

// True when a console is attached (or already was).
bool attachOrAllocateConsole();
