// StatsKeys: the key names of the statistics documents, defined once for the
// whole program. Keys that only one document uses (the per-mirror record
// keys and the like) are literals where that document is built.
//
// Every key is a constant std::string named after its own text, so that a
// document reads as doc.Add(StatsKeys::install_status, ...).
#pragma once

#include <string>
#include <vector>

namespace StatsKeys {

// The index name: the value of the "index" part and of the "?index=" query.
extern const std::string common_soft_install;

// The "app" section.
extern const std::string language;
extern const std::string system_version;
extern const std::string id;
extern const std::string type;
extern const std::string version;
extern const std::string n_version;
extern const std::string client_id;
extern const std::string app_name;
extern const std::string app_from;
extern const std::string machine_id;
extern const std::string install_way;

// The "user_info" section (machine_id above).
extern const std::string mail;
extern const std::string token_id;

// The "install" section of the start and final documents.
extern const std::string data_version;
extern const std::string uuid;
extern const std::string option;
extern const std::string source;
extern const std::string system_type;
extern const std::string localtime;
extern const std::string install_status;
extern const std::string install_type;
extern const std::string silent;
extern const std::string has_kravon_cookie;
extern const std::string has_pelmorant_cookie;

// The final document's "install" section (version and n_version above). The
// misspellings are the service's own key names.
extern const std::string system_language;
extern const std::string amazon_download;
extern const std::string show_thankyou;
extern const std::string download_last_error;
extern const std::string install_last_error;
extern const std::string download_second;
extern const std::string download_time_string;
extern const std::string install_second;
extern const std::string install_time_string;
extern const std::string app_run_second;
extern const std::string app_runtime_string;
extern const std::string progress_rate;
extern const std::string speed;
extern const std::string average_speed;
extern const std::string speed_string;
extern const std::string average_speed_string;
extern const std::string auto_install;
extern const std::string run_app;
extern const std::string auto_run_app;
extern const std::string uac_contine;
extern const std::string uac_show;
extern const std::string uac_dlg_contine;
extern const std::string uac_dlg_show;
extern const std::string shellexe_return;
extern const std::string use_cookies_token;
extern const std::string use_cookies_token_error;
extern const std::string change_install_path;
extern const std::string add_plan;
extern const std::string create_desktop;
extern const std::string download_amazom_size_kb;
extern const std::string average_speed_with_amazon_kb;
extern const std::string repair_use_amazom;
extern const std::string fail_use_amazom;
extern const std::string timeout_use_amazom;
extern const std::string success_use_amazom;
extern const std::string repair_link;
extern const std::string close_way;
extern const std::string curl_error;
extern const std::string last_fail_link;
extern const std::string detail_failure_reason;
extern const std::string all_url_info;
extern const std::string all_url_info_str;
extern const std::string used_url_info;
extern const std::string used_url_info_str;

// The offline and uninstall documents.
extern const std::string start_mode;
extern const std::string full_uninstall;
extern const std::string uninstall_detail_reason;
extern const std::string uninstall_reason;

// Declared for the service's vocabulary; no document sends it.
extern const std::string install_step;

// Every key above, in this order (74 names).
const std::vector<const std::string*>& All();

}  // namespace StatsKeys
