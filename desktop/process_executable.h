#pragma once
// The file name of a local process's executable, for rules that name a program by it.
#include <QString>

namespace quorvel::desktop {

// Empty when there is no such process or it is not ours to see.
QString ExecutableOfProcess(quint32 pid);

}  // namespace quorvel::desktop
