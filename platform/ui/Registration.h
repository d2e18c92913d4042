// Registers the platform's component classes with the class registry, so
// that form resources can create them by name. Idempotent; the program and
// the designer tool call it before the first form is read.
#pragma once

void RegisterPlatformClasses();
