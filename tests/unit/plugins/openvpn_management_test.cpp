// What the OpenVPN component takes from the management socket and from the route reply: a
// client that says anything, and routes that must be exact networks before ip(8) sees them.

#include <gtest/gtest.h>

#include <string>

#include "plugins/tunnel_openvpn/management_text.h"
#include "plugins/tunnel_openvpn/tunnel_routes.h"

using namespace zuvo::plugins;

TEST(OpenVpnManagement, LinesAreBoundedAndSplitAcrossReads) {
    ManagementLines lines;
    lines.Feed(">HOLD:Waiting", 13);
    EXPECT_FALSE(lines.Next());
    lines.Feed(" for hold release:0\r\n>STA", 25);
    EXPECT_EQ(lines.Next().value_or(""), ">HOLD:Waiting for hold release:0");
    EXPECT_FALSE(lines.Next());
    // A line longer than the bound goes whole, including its end after the next read.
    const std::string flood(3 * ManagementLines::kMaxLine, 'x');
    lines.Feed(flood.data(), flood.size());
    lines.Feed("TE:1,CONNECTED\n>FATAL:x\n", 24);
    EXPECT_EQ(lines.Next().value_or(""), ">FATAL:x");
    EXPECT_FALSE(lines.Next());
}

TEST(OpenVpnManagement, EventsAreCheckedBeforeUse) {
    using Kind = ManagementEvent::Kind;
    auto up =
        ParseManagementLine(">STATE:1700000000,CONNECTED,SUCCESS,198.18.8.2,198.18.0.1,1194,,");
    EXPECT_EQ(up.kind, Kind::State);
    EXPECT_EQ(up.state, "CONNECTED");
    EXPECT_EQ(up.address, "198.18.8.2");
    EXPECT_EQ(StatusOfState(up.state), 2);
    // A local address that is not one is not taken; odd state names are no state.
    EXPECT_EQ(ParseManagementLine(">STATE:1,CONNECTED,SUCCESS,1.2.3.4 --up x,").address, "");
    EXPECT_EQ(ParseManagementLine(">STATE:1,connected;rm,x").kind, Kind::None);
    EXPECT_EQ(ParseManagementLine(">STATE:").kind, Kind::None);
    EXPECT_EQ(StatusOfState("WAIT"), 1);
    EXPECT_EQ(StatusOfState("AUTH"), 1);
    EXPECT_EQ(StatusOfState("RECONNECTING"), 1);
    EXPECT_NE(StatusOfState("EXITING"), 1);
    EXPECT_NE(StatusOfState("EXITING"), 2);
    EXPECT_EQ(ParseManagementLine(">PASSWORD:Need 'Auth' username/password").kind,
              Kind::NeedPassword);
    EXPECT_EQ(ParseManagementLine(">PASSWORD:Verification Failed: 'Auth'").kind, Kind::AuthFailed);
    EXPECT_EQ(ParseManagementLine(">HOLD:Waiting for hold release:0").kind, Kind::Hold);
    const auto version = ParseManagementLine(
        "OpenVPN Version: OpenVPN 2.6.14 x86_64-pc-linux-gnu [SSL (OpenSSL)] [LZO]");
    EXPECT_EQ(version.kind, Kind::Version);
    EXPECT_EQ(version.version, "OpenVPN 2.6.14");
    EXPECT_EQ(ParseManagementLine("OpenVPN Version: OpenVPN 2.6\x01\x02 x").kind, Kind::None);
}

TEST(OpenVpnManagement, ArgumentsCannotEndTheCommand) {
    EXPECT_EQ(QuoteArgument("0123ABCD").value_or(""), "\"0123ABCD\"");
    EXPECT_EQ(QuoteArgument("a\"b\\c").value_or(""), "\"a\\\"b\\\\c\"");
    EXPECT_FALSE(QuoteArgument("key\nsignal SIGTERM"));
    EXPECT_FALSE(QuoteArgument("key\r"));
    EXPECT_FALSE(QuoteArgument(std::string(600, 'A')));
    EXPECT_TRUE(IsValidTunnelHost("tunnel.zuvo.example"));
    EXPECT_TRUE(IsValidTunnelHost("198.18.0.1"));
    EXPECT_TRUE(IsValidTunnelHost("fd00::1"));
    EXPECT_FALSE(IsValidTunnelHost("--up"));
    EXPECT_FALSE(IsValidTunnelHost("-x.example"));
    EXPECT_FALSE(IsValidTunnelHost("a..b"));
    EXPECT_FALSE(IsValidTunnelHost("host 1194"));
    EXPECT_FALSE(IsValidTunnelHost(""));
}

TEST(OpenVpnRoutes, OnlyExactNetworksBecomeRoutes) {
    EXPECT_EQ(RouteDestination("198.19.1.0", "255.255.255.0").value_or(""), "198.19.1.0/24");
    EXPECT_EQ(RouteDestination("198.19.2.0", "255.255.254.0").value_or(""), "198.19.2.0/23");
    EXPECT_EQ(RouteDestination("198.19.7.9", "255.255.255.255").value_or(""), "198.19.7.9/32");
    EXPECT_FALSE(RouteDestination("198.19.9.1", "255.255.0.0"));  // bits outside the mask
    EXPECT_FALSE(RouteDestination("198.19.0.0", "255.0.255.0"));  // a mask with holes
    EXPECT_FALSE(RouteDestination("198.19.0.0", "16"));
    EXPECT_FALSE(RouteDestination("default", "0.0.0.0"));
    EXPECT_FALSE(RouteDestination("198.19.0.0 dev lo", "255.255.0.0"));
    EXPECT_FALSE(RouteDestination("", ""));
}
