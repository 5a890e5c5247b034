// The reboot request ("__mvt_reboot"): the machine restarts after 5 seconds.
#pragma once

void rebootSystem();
