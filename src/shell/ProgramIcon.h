#pragma once

class QIcon;

namespace shell {

/// The program's icon (assets/tesselby.png, compiled in).
QIcon ProgramIcon();

}  // namespace shell
