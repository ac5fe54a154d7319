// The application's active window, as the control that is that window: what a dialog or a
// device session takes as its parent.
#pragma once

namespace calmora::platform {

class TCustomControl;

// The top-level window that has the focus, when it is one of our controls; null without a
// widget application, when no window of the application is active, or when it is another
// kind of window.
TCustomControl* ActiveControlWindow();

}  // namespace calmora::platform
