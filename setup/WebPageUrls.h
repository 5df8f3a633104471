// The query parameters of the product's web pages: the client, page and
// app-from parameters that every page URL gets, as pure functions of their
// inputs (SetupDlg's builders feed them the dialog's values).
//
// Each builder puts its parameters in front of the URL's own query by
// replacing every "?" of the URL, so parameters added later stand first.
#pragma once

#include <string>

struct ClientParams {
    std::string machineId;  // GetMachineMac
    std::string userName;   // the registered user name ("" leaves out client_e)
    std::string tokenId;    // the statistics token ("" leaves out client_t)
};

struct PageParams {
    std::string brand;    // lower-case company name
    std::string product;  // lower-case short name
    bool x64 = false;     // the setup information record's 64-bit flag
    bool compact = true;  // the compact (install) layout
    std::string version;  // the record's version text, dots and all
};

// Page kinds of AppendPageParamsTo.
constexpr int kPageKindNone = 0;
constexpr int kPageKindThankYou = 1;     // a new install's thank-you page
constexpr int kPageKindThankYouOld = 2;  // the thank-you page over an earlier version
constexpr int kPageKindExtra = 3;        // a page with the extra suffix

// Every "?" of `url` replaced by `replacement`.
std::string ReplaceEveryQuestionMark(const std::string& url, const std::string& replacement);

// client_m (machine id) and client_e (user name), base64 then
// percent-encoded, and client_t (token id).
std::string AppendClientParamsTo(const std::string& url, const ClientParams& params);
// c_bm, c_app, c_sys, c_dt, c_wh, c_ad (unless the URL has one) and c_ver.
std::string AppendPageParamsTo(const std::string& url, const PageParams& params, bool popup, int kind,
                               const std::string& extra);
// c_app_from, percent-encoded: it comes from the program's file name.
std::string AppendAppFromTo(const std::string& url, const std::string& appFrom);
