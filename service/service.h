// A service executable (one built with a service name): its "--service"
// commands, and the stage that runs the rest of the launch under the
// service controller, or in the console when a person started it. Win32
// layer; the decisions are in service_rules.h.
#pragma once

#include <string>

#include "config/args.h"
#include "config/launch_config.h"

// Runs "--service install|uninstall|start|stop|status" (service_control_win.cpp):
// arguments are the process's, the program first. False when they are no
// such command; exitCode is then untouched.
bool runServiceCommand(const LaunchConfig& config, const ArgumentList& arguments, int& exitCode);

// Runs stages, the rest of the run sequence, as the service: under the
// service controller when it started this process (the dispatcher first,
// before anything slow), else in the console with Ctrl+C and closing the
// window as the stop request. Returns the exit code once the stages have
// ended; every other end reports through serviceEnding.
int runAsService(const ServiceSettings& settings, int (*stages)());

// Whether runAsService is running the launch.
bool inServiceMode();
// The service's name while inServiceMode (for the system property), else null.
const char* runningServiceName();

// Called once the JVM exists and just before the application's main method
// is called: RUNNING, and the console handler in front of the JVM's own.
void serviceApplicationStarting();

// Reports the end with the process's exit code (STOPPED with it under the
// controller), after the output files have taken every line. Called on
// every way the process ends; only the first call counts.
void serviceEnding(int exitCode);

// A message that would have been a box: to the diagnostic log, the
// service's error output and the Windows event log.
void reportServiceMessage(const std::u16string& text);
