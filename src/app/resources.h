// The program's pictures and help page are compiled into the library; a static
// library's resources must be registered by hand before first use.
#pragma once

namespace vorel::app {
void InitResources();
}
