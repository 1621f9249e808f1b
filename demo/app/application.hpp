// The program's identity as the toolkit knows it: organisation and name (which place its settings)
// and version. No display name is set, so that the toolkit adds nothing to window and dialog
// titles ("ZrDemo - [picture]" stays as it is, a dialog keeps its own title).
#ifndef ZR_DEMO_APP_APPLICATION_HPP
#define ZR_DEMO_APP_APPLICATION_HPP

namespace zr::demo::app {

void SetUpApplication();

}  // namespace zr::demo::app

#endif  // ZR_DEMO_APP_APPLICATION_HPP
