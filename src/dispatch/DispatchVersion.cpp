// Keeps the dispatch library non-empty while its first modules are written.
namespace velloran_dispatch_anchor {
int anchor = 0;
}
