#include "lendsrv/ZConnect.h"

#include <dlfcn.h>
#include <yaz/comstack.h>
#include <yaz/tcpip.h>
#include <yaz/xmalloc.h>

#include <utility>

// ZOOM offers no way to be handed a connection: each connect makes its own
// with cs_create_host2, asking for the lookup on a thread
// (CS_FLAGS_DNS_NO_BLOCK). So the library's cs_create_host2 is stood in
// front of here (the library calls it through its symbol table), and while
// ZConnect begins a connection that flag alone is left out; every other call
// goes through unchanged.

namespace {

// Set while ZConnect begins a connection on this thread, until the library
// makes it.
thread_local bool tLookUpAtOnce = false;

using TCreateHost = COMSTACK (*)(const char*, int, void**, const char*, int*);

TCreateHost LibraryCreateHost() {
  static const auto create = reinterpret_cast<TCreateHost>(::dlsym(RTLD_NEXT, "cs_create_host2"));
  return create;
}

// The characters of a host name, of an IPv4 or IPv6 address (with brackets
// and a zone), and of the port after them: anything else (options, a bind
// address, a database, a listening form) is left to ZOOM.
bool PlainHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_' || c == ':' || c == '[' || c == ']' || c == '%';
}

}  // namespace

extern "C" COMSTACK cs_create_host2(const char* vhost, int blocking, void** vp, const char* proxy_host,
                                    int* proxy_mode) {
  const TCreateHost create = LibraryCreateHost();
  if (!create) return nullptr;
  if (std::exchange(tLookUpAtOnce, false) && !proxy_host && ZConnectsAtOnce(vhost)) blocking &= ~CS_FLAGS_DNS_NO_BLOCK;
  return create(vhost, blocking, vp, proxy_host, proxy_mode);
}

bool ZConnectsAtOnce(const char* Host) {
  if (!Host) return false;
  // Read as the library reads it: its scheme, its protocol, a proxy before it.
  const char* host = nullptr;
  CS_TYPE type = nullptr;
  oid_proto proto = PROTO_Z3950;
  char* proxy = nullptr;
  const bool parsed = cs_parse_host(Host, &host, &type, &proto, &proxy) != 0;
  const bool viaProxy = proxy != nullptr;
  xfree(proxy);
  if (!parsed || type != tcpip_type || proto != PROTO_Z3950 || viaProxy || !host || !*host) return false;
  for (const char* c = host; *c; ++c)
    if (!PlainHostChar(*c)) return false;
  return true;
}

void ZConnect(ZOOM_connection C, const char* Host, int Port) {
  tLookUpAtOnce = true;
  // A synchronous connection connects here; an asynchronous one only queues
  // its connect, which is begun at once, as ZOOM's next turn would.
  ZOOM_connection_connect(C, Host, Port);
  if (tLookUpAtOnce) ZOOM_connection_exec_task(C);
  tLookUpAtOnce = false;
}
