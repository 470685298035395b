// Placeholder unit so the library target exists before the driver is written.
namespace zarnet {
const char* versionText() { return "zarnet version 1.06"; }
}
