// The end-to-end test's eyes on the GNUstep build (gnustep_probe.mm): GNUstep
// has no accessibility bridge, so the running program itself describes its
// alert to the test. Test-only; the shim's -[NSAlert runModal] calls these.
#pragma once

#ifdef __OBJC__
@class NSAlert;
@class NSWindow;
#else
struct NSAlert;
struct NSWindow;
#endif

extern "C" {
void setupDialogProbeWillRunModal(NSAlert* alert, NSWindow* panel);
void setupDialogProbeDidRunModal(NSAlert* alert, NSWindow* panel, long result);
}
