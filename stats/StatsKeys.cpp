#include "stats/StatsKeys.h"

namespace StatsKeys {

const std::string common_soft_install = "common_soft_install";
const std::string language = "language";
const std::string system_version = "system_version";
const std::string id = "id";
const std::string type = "type";
const std::string version = "version";
const std::string n_version = "n_version";
const std::string client_id = "client_id";
const std::string app_name = "app_name";
const std::string app_from = "app_from";
const std::string machine_id = "machine_id";
const std::string install_way = "install_way";
const std::string mail = "mail";
const std::string token_id = "token_id";
const std::string data_version = "data_version";
const std::string uuid = "uuid";
const std::string option = "option";
const std::string source = "source";
const std::string system_type = "system_type";
const std::string localtime = "localtime";
const std::string install_status = "install_status";
const std::string install_type = "install_type";
const std::string silent = "silent";
const std::string has_kravon_cookie = "has_kravon_cookie";
const std::string has_pelmorant_cookie = "has_pelmorant_cookie";
const std::string system_language = "system_language";
const std::string amazon_download = "amazon_download";
const std::string show_thankyou = "show_thankyou";
const std::string download_last_error = "download_last_error";
const std::string install_last_error = "install_last_error";
const std::string download_second = "download_second";
const std::string download_time_string = "download_time_string";
const std::string install_second = "install_second";
const std::string install_time_string = "install_time_string";
const std::string app_run_second = "app_run_second";
const std::string app_runtime_string = "app_runtime_string";
const std::string progress_rate = "progress_rate";
const std::string speed = "speed";
const std::string average_speed = "average_speed";
const std::string speed_string = "speed_string";
const std::string average_speed_string = "average_speed_string";
const std::string auto_install = "auto_install";
const std::string run_app = "run_app";
const std::string auto_run_app = "auto_run_app";
const std::string uac_contine = "uac_contine";
const std::string uac_show = "uac_show";
const std::string uac_dlg_contine = "uac_dlg_contine";
const std::string uac_dlg_show = "uac_dlg_show";
const std::string shellexe_return = "shellexe_return";
const std::string use_cookies_token = "use_cookies_token";
const std::string use_cookies_token_error = "use_cookies_token_error";
const std::string change_install_path = "change_install_path";
const std::string add_plan = "add_plan";
const std::string create_desktop = "create_desktop";
const std::string download_amazom_size_kb = "download_amazom_size_kb";
const std::string average_speed_with_amazon_kb = "average_speed_with_amazon_kb";
const std::string repair_use_amazom = "repair_use_amazom";
const std::string fail_use_amazom = "fail_use_amazom";
const std::string timeout_use_amazom = "timeout_use_amazom";
const std::string success_use_amazom = "success_use_amazom";
const std::string repair_link = "repair_link";
const std::string close_way = "close_way";
const std::string curl_error = "curl_error";
const std::string last_fail_link = "last_fail_link";
const std::string detail_failure_reason = "detail_failure_reason";
const std::string all_url_info = "all_url_info";
const std::string all_url_info_str = "all_url_info_str";
const std::string used_url_info = "used_url_info";
const std::string used_url_info_str = "used_url_info_str";
const std::string start_mode = "start_mode";
const std::string full_uninstall = "full_uninstall";
const std::string uninstall_detail_reason = "uninstall_detail_reason";
const std::string uninstall_reason = "uninstall_reason";
const std::string install_step = "install_step";

const std::vector<const std::string*>& All() {
    static const std::vector<const std::string*> keys = {
        &common_soft_install,
        &language,
        &system_version,
        &id,
        &type,
        &version,
        &n_version,
        &client_id,
        &app_name,
        &app_from,
        &machine_id,
        &install_way,
        &mail,
        &token_id,
        &data_version,
        &uuid,
        &option,
        &source,
        &system_type,
        &localtime,
        &install_status,
        &install_type,
        &silent,
        &has_kravon_cookie,
        &has_pelmorant_cookie,
        &system_language,
        &amazon_download,
        &show_thankyou,
        &download_last_error,
        &install_last_error,
        &download_second,
        &download_time_string,
        &install_second,
        &install_time_string,
        &app_run_second,
        &app_runtime_string,
        &progress_rate,
        &speed,
        &average_speed,
        &speed_string,
        &average_speed_string,
        &auto_install,
        &run_app,
        &auto_run_app,
        &uac_contine,
        &uac_show,
        &uac_dlg_contine,
        &uac_dlg_show,
        &shellexe_return,
        &use_cookies_token,
        &use_cookies_token_error,
        &change_install_path,
        &add_plan,
        &create_desktop,
        &download_amazom_size_kb,
        &average_speed_with_amazon_kb,
        &repair_use_amazom,
        &fail_use_amazom,
        &timeout_use_amazom,
        &success_use_amazom,
        &repair_link,
        &close_way,
        &curl_error,
        &last_fail_link,
        &detail_failure_reason,
        &all_url_info,
        &all_url_info_str,
        &used_url_info,
        &used_url_info_str,
        &start_mode,
        &full_uninstall,
        &uninstall_detail_reason,
        &uninstall_reason,
        &install_step,
    };
    return keys;
}

}  // namespace StatsKeys
