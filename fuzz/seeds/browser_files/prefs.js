// Mozilla User Preferences
user_pref("browser.url_history.URL_1", "http://a.example/");
user_pref("browser.startup.homepage", "x");
user_pref("browser.url_history.URL_2", "http://b.example/");
user_pref("mail.name", "y");