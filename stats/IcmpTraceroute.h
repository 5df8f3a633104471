// A short ICMP trace of the route towards an IPv4 address, for the offline
// report's start-info document.
//
// Echo requests go out on a raw ICMP socket with a rising TTL (1 to 5 hops,
// 3 probes each, a 3000 ms receive wait); each hop's replies are written to
// a text in the form of the usual tracert listing. The trace is bracketed
// by a firewall rule that lets inbound ICMPv4 through, added before and
// removed after it.
#pragma once

#include <cstdint>
#include <string>

// 0 done (whatever the trace found), 1 sockets could not start, 2 the target
// is not a dotted IPv4 address, 3 no raw ICMP socket, 100 + e when adding
// the firewall rule failed with error e. The listing is appended to `text`.
int RunIcmpTraceroute(const std::string& target, std::string& text);

// The 40-byte echo request: type 8, code 0, the RFC 1071 checksum,
// identifier, sequence (network order), 32 data bytes from 'a' upwards.
constexpr int kIcmpEchoSize = 40;
void FillIcmpEcho(std::uint8_t* packet, std::uint16_t identifier, std::uint16_t sequence);

// A received IPv4 packet: 1 a time-exceeded answer quoting our probe, 2 our
// echo reply (the destination was reached), -1 anything else.
int DecodeIcmpReply(const std::uint8_t* packet, int length, std::uint16_t identifier, std::uint16_t sequence);

// Runs `powershell.exe -Command "<command>"` hidden and waits for it;
// returns the error value (0 when it could be run).
int RunPowerShellCommand(const std::string& command);
