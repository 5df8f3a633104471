// The cookie-token upload of the user-profile client, through the regional
// API servers.
#include "formats/json/CJsonObject.h"
#include "stats/HttpClient.h"
#include "stats/WebStatsManager.h"
#include "util/Base64.h"

int WebStatsManager::UploadTokenInfo(const std::string& jsonText) {
    CJsonObject cookie;
    if (!cookie.Parse(jsonText)) {
        Log("Parse token json file failed, %s\n", jsonText.c_str());
        return 5;
    }
    CJsonObject webTokens;
    if (!cookie.Get("web_token", webTokens) || !webTokens.IsArray()) {
        Log("Parse web token array failed!\n");
        return 6;
    }
    CJsonObject document;
    {
        document.Add("email", m_config.email);
        document.Add("machine_id", m_config.machine_id);
        document.Add("app_id", m_config.app_id);
        document.Add("app_platform", m_config.app_platform);
        document.Add("version", std::string("1"));
        document.Add("web_token", webTokens);
        document.Add("upload_type", std::string("client"));
    }
    HttpClient client("common_json_post", m_config.region, m_config.testServer);
    client.SetTimeout(30);
    client.SetIndex("public_client_report");
    client.AddFormField("index", "public_client_report", false);
    client.AddFormField("hash", "2", false);
    client.AddFormField("json_data", AlphabetBase64Encode(document.ToString(), kStatsAlphabet), false);
    if (!client.PostFormWithFailover()) {
        Log("Upload token id failed, %s\n", client.GetLastErrorText().c_str());
        return 7;
    }
    return 0;
}
