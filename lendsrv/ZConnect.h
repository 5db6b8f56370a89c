#pragma once
// A ZOOM connection's connect without ZOOM's name-lookup thread. ZOOM makes
// every connection of an asynchronous search look its host up on a thread of
// its own, even an address written out, and waits for it through a pipe: a
// thread made, a wake-up and a join for each connection, a good part of a
// near search's own cost. Where the host is a plain Z39.50 address over TCP
// (a host name, an IPv4 address, an IPv6 address bare or in brackets, with
// "tcp:" or without, and a port), ZConnect has the library look it up at once
// in the calling thread instead, through the same system resolver
// (getaddrinfo) and its own choice among the addresses found: the server sees
// the same connection and the same bytes. Every other form (ssl:, unix:,
// http:, a host with options, a connection through a proxy) connects as
// ZOOM_connection_connect always does.
//
// A lookup that waits on the network then holds the calling thread while it
// waits; ZOOM's own way holds it as long, when the connection is destroyed
// and its lookup thread is joined.

#include <yaz/zoom.h>

// Whether the library's connection to Host (its "host:port" form, as ZOOM
// hands it to the library) is a plain Z39.50 connection over TCP, which
// ZConnect connects without the lookup thread.
bool ZConnectsAtOnce(const char* Host);

// ZOOM_connection_connect(C, Host, Port), its connection begun at once when C
// is asynchronous, the host looked up in this thread when it is a plain
// address over TCP.
void ZConnect(ZOOM_connection C, const char* Host, int Port);
