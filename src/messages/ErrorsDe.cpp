#include "../common/Messages.h"

// German error group: error and setting texts ("err_" and "param_" keys). Keys it lacks
// keep their English text: err_addrepo_zypper and err_incompatible_products have none.
void Messages::messages_rep::loadErrorsDe() {
    map["err_unkn_option"] = "Sie haben eine unbekannte Option angegeben.";
    map["err_unkn_arg"] =
        "Fehler beim Analysieren der Kommandozeile: Nach den Optionen dürfen keine Argumente stehen.\n"
        "Die folgenden Argumente wurden nach der letzten Option gefunden:\n";
    map["err_cmd_override"] =
        "Sie haben eine falsche Kombination von Optionen angegeben.\n"
        "Die Optionen %s und %s können nicht zusammen verwendet werden.\n"
        "Einzelheiten finden Sie in der Hilfe des Installationsprogramms (starten Sie das Installationsprogramm für Corvane-Produkte mit der Option --help).";
    map["err_comp_sel"] =
        "Sie haben Optionen angegeben, die nicht zusammen verwendet werden können: --install-everything und --install-component.\n"
        "Entscheiden Sie, ob Sie alle oder nur ausgewählte Komponenten installieren möchten, und verwenden Sie die entsprechende Option.";
    map["err_relid_relready"] = "Sie haben die Release-Version bereits angegeben.";
    map["err_no_command"] =
        "Sie haben keine Befehlsoption angegeben.\n"
        "Eine Liste der Befehlsoptionen erhalten Sie, wenn Sie das Installationsprogramm für Corvane-Produkte mit der Option --help starten.";
    map["err_bool_val"] =
        "Sie haben den falschen Wert '%s' für den Parameter '%s' angegeben.\n"
        "Sie können mit diesem Parameter nur 'yes'- oder 'no'-Werte verwenden.";
    map["err_rcfile_open"] = "Die Konfigurationsdatei %s des Installationsprogramms kann nicht gelesen werden.";
    map["err_rc_syntax"] = "Syntaxfehler in der Konfigurationsdatei des Corvane-Produkte-Installationsprogramms:";
    map["err_rc_param"] = "Parameternamen müssen mit Buchstaben beginnen.";
    map["err_rc_line"] =
        "'%s'\n"
        "Alle Zeilen müssen das Format 'parameter_name=parameter_value' haben.";
    map["err_rc_eqsign"] =
        "'%s'.\n"
        "Es fehlt ein Gleichheitszeichen (=).\n"
        "Alle Zeilen müssen das Format 'parameter_name=parameter_value' haben.";
    map["err_rc_value"] =
        "'%s' - der Parameterwert fehlt.\n"
        "Alle Zeilen müssen das Format 'parameter_name=parameter_value' haben.";
    map["err_noquote_closed"] = "Es wurde kein schließendes Anführungszeichen gefunden.";
    map["err_csv_no_quote"] =
        "Fehlerhafte kommagetrennte Liste.\n"
        "Wenn Werte Leerzeichen enthalten,\n"
        "setzen Sie jeden Wert in doppelte Anführungszeichen.";
    map["err_spsepval"] =
        "In der Zeile '%s' liegt ein Syntaxfehler vor:\n"
        "Trennen Sie die Werte durch Leerzeichen.";
    map["err_malfrm_src"] = "Sie haben eine zusätzliche Quelle falsch angegeben.";
    map["err_bad_src_nargs"] = "Sie müssen entweder drei oder fünf Parameter angeben.";
    map["err_src_args"] = "Falsche Angabe einer zusätzlichen Quelle: '%s'";
    map["err_src_priority"] =
        "Sie haben eine zusätzliche Quelle mit der Option --add-source falsch angegeben:\n"
        "Die Priorität muss im Bereich von 1 bis 999 liegen.";
    map["err_src_xmlblist"] =
        "Die Optionen --enable-xml-output und --show-os-list können nicht gleichzeitig verwendet werden.";
    map["err_holdpkgs_list"] =
        "Für den Parameter HOLD_PACKAGES wurden in der Konfigurationsdatei des Installationsprogramms falsche Werte angegeben.";
    map["err_instpkg_list"] = "Sie haben für die Option --install-package ein falsches Argument angegeben.";
    map["err_no_package"] = "Das ausgewählte Paket %s wurde nicht gefunden.";
    map["err_mirr_src"] =
        "Ein Mirror kann nur von einer Netzwerkquelle erstellt werden, nicht von einem lokalen Pfad.";
    map["err_mirror_order"] =
        "Sie haben die Optionen in der falschen Reihenfolge angegeben.\n"
        "Geben Sie zuerst mit der Option --select-release-id die Release-Version an und danach mit der Option --mirror-os die Builds, die heruntergeladen werden sollen.";
    map["err_build_notfound"] =
        "Sie haben einen Produkt-Build angegeben, der nicht verfügbar ist.\n"
        "Geben Sie einen anderen Build mit der Option --mirror-os an.";
    map["err_kern_inst"] =
        "Für die Installation dieser Produktversion muss das Installationsprogramm das Kernel-Paket installieren dürfen.\n"
        "Starten Sie dazu die Installation erneut, indem Sie das Installationsprogramm mit der Option --allow-kernel-install ausführen.";
    map["err_no_pkg_local_src"] =
        "Die Installation aus einer lokalen Quelle wird auf diesem Betriebssystem nicht unterstützt.";
    map["err_ssl_strong_recomended"] =
        "Warnung: Wir empfehlen Ihnen, sich über eine sichere Verbindung mit dem\n"
        "webbasierten Installationsassistenten zu verbinden, damit Ihr Administrator-\n"
        "passwort nicht von Dritten abgefangen werden kann. Führen Sie dazu\n"
        "den Befehl installer_file_name --web-interface --ssl-cert\n"
        "/root/my_server_cert.pem aus, wobei /root/my_server_cert.pem der Pfad\n"
        "zu der SSL-Zertifikatsdatei ist, mit der Sie die Verbindungen zum Panel\n"
        "absichern. Dies sollte entweder ein gültiges, von einer Zertifizierungsstelle\n"
        "erworbenes SSL-Zertifikat oder ein selbstsigniertes SSL-Zertifikat sein.\n"
        "Wenn Ihnen die Sicherheitsrisiken bewusst sind und Sie keine sichere Verbindung\n"
        "verwenden möchten, führen Sie den Befehl installer_file_name --web-interface --without-ssl aus.\n";
    map["err_user_lost"] = "Sie haben Ihre Sitzung soeben mit Strg + D beendet.";
    map["err_not_float_number"] = "Geben Sie eine Dezimalzahl an, zum Beispiel 1.5";
    map["err_not_email"] = "Geben Sie eine E-Mail-Adresse im Format user@example.com an";
    map["err_not_domain"] = "Geben Sie einen Domainnamen im Format host.example.com an";
    map["err_not_hostname"] = "Geben Sie entweder einen Domainnamen (wie example.com) oder eine IP-Adresse an";
    map["err_not_url"] = "Geben Sie eine URL im Format protocol://path an";
    map["err_passwds_missmatch"] = "Die angegebenen Passwörter stimmen nicht überein";
    map["err_undef_wmode"] = "Interner Fehler in main, Zeile 348: unbekannter Betriebsmodus.";
    map["err_unkn_pkgsys"] = "Interner Fehler in main, Zeile 144: unbekanntes Paketsystem.";
    map["err_no_debpartver"] = "In DebVersion, Zeile &lt;Zeilennummer&gt;, ist ein interner Fehler aufgetreten";
    map["err_bad_semnum"] =
        "Beim Versuch, eine Datei zu sperren, ist ein Fehler aufgetreten. Fehler in Lock, Zeile ..";
    map["err_basepkg_noread"] =
        "Interner Fehler: Die Methode readInfo() wird von der Klasse Package nicht unterstützt";
    map["err_unkn_pkgtype"] =
        "Interner Fehler in Installer, Zeile 412: unbekannter Typ des ersten Pakets in der Installationsgruppe.";
    map["err_no_cm"] = "Interner Fehler in SourceSysStd, Zeile 57: Das ComponentManager-Objekt fehlt.";
    map["err_deb_initobj"] = "Interner Fehler: inkompatibler Typ des Systemkonfigurators.";
    map["err_sysconf_init"] = "Interner Fehler: Die Funktionen wurden in falscher Reihenfolge aufgerufen.";
    map["err_component_not_resolved"] =
        "Interner Fehler in ComponentManager, Zeile 233: Die Komponente wurde nicht aufgelöst.";
    map["err_bad_match_arg"] =
        "Interner Fehler in Regexp, Zeile 118: Die Funktion match() hat statt einer Zeichenkette ein Null-Argument erhalten.";
    map["err_bad_subexpr"] =
        "Aufruf der Funktion getNumSubexpr fehlgeschlagen: Diese Funktion akzeptiert nur reguläre Ausdrücke mit Teilausdrücken.";
    map["err_bad_subexpr2"] =
        "Aufruf der Funktion matchSub fehlgeschlagen: Diese Funktion akzeptiert nur reguläre Ausdrücke mit Teilausdrücken.";
    map["err_bad_submatch"] =
        "Aufruf der Funktion getMatch fehlgeschlagen: Diese Funktion akzeptiert nur reguläre Ausdrücke, die Teiltreffer unterstützen.";
    map["err_badmatch"] =
        "Aufruf der Funktion getMatch fehlgeschlagen: Diese Funktion unterstützt keine Teilausdrücke. Für Teilausdrücke muss die Funktion matchSub verwendet werden.";
    map["err_empty_version"] = "Version ist nicht angegeben. Fehler in Version, Zeile 91.";
    map["err_unkn_comp_status"] = "der Produktkomponente wurde ein unbekannter Code zugewiesen.";
    map["err_exec_pipefail"] =
        "Pipes für die interne Kommunikation zwischen Prozessen konnten nicht erstellt werden.";
    map["err_exec_forkfail"] =
        "Ausführen eines externen Befehls fehlgeschlagen: Die fork-Operation ist fehlgeschlagen.";
    map["err_exec_systemfail"] =
        "Ausführen eines externen Befehls fehlgeschlagen: Die system()-Operation ist fehlgeschlagen.";
    map["err_exec_pipenoblock"] =
        "Lesen der Ausgabe des ausgeführten Prozesses fehlgeschlagen: Die Pipe kann nicht in den nicht blockierenden Modus versetzt werden.";
    map["err_exec_pipenoread"] = "Die Ausgabe des ausgeführten Prozesses konnte nicht gelesen werden:";
    map["err_exec_signal"] =
        "Der ausgeführte Prozess wurde wegen eines unbehandelten Signals des Systems beendet.";
    map["err_exec_cmd_not_found"] = "Der externe Befehl %s konnte nicht ausgeführt werden: Befehl nicht gefunden";
    map["err_empty_output"] = "Vom Dienstprogramm %s wurden keine Daten empfangen.";
    map["err_util_exec"] = "Bei der Ausführung des Dienstprogramms %s ist ein Fehler aufgetreten.";
    map["err_lock_get"] = "Sperrung der Datei &lt;file name&gt; aufgrund eines Systemfehlers fehlgeschlagen.";
    map["err_lock_locked"] = "Das Installationsprogramm für Corvane-Produkte wird bereits ausgeführt.";
    map["err_lock_file"] = "Sperrung der Datei %s aufgrund eines Systemfehlers fehlgeschlagen: %s";
    map["err_lock_shutdown"] = "Die Sperre der Datei %s kann nicht aufgehoben werden";
    map["err_lock_failed"] = "Datei %s: %s kann nicht gesperrt werden";
    map["err_unlock_failed"] = "Die Sperre der Datei %s kann nicht aufgehoben werden: %s";
    map["err_lock_test"] = "Es kann nicht geprüft werden, ob die Datei %s gesperrt ist: %s";
    map["err_chk_exclusive"] =
        "Es konnte nicht geprüft werden, ob das Installationsprogramm für Corvane-Produkte bereits ausgeführt wird.";
    map["err_date_get"] = "Das aktuelle Datum und die Uhrzeit konnten nicht ermittelt werden.";
    map["err_timezone_not_configured"] =
        "Im System gibt es keine Datei /etc/localtime.\n"
        "Führen Sie tzsetup als root aus, um Ihre Zeitzone einzurichten";
    map["err_non_digit"] = "Ungültiges Zahlenformat.";
    map["err_vendor_define"] = "Der Hersteller Ihres Betriebssystems konnte nicht ermittelt werden.";
    map["err_opsys_define"] =
        "Ihr Betriebssystem wird von dieser Version des Installationsprogramms für Corvane-Produkte nicht unterstützt.";
    map["err_define_osversion"] =
        "Die Version Ihres Betriebssystems konnte nicht aus der Datei %s ermittelt werden";
    map["err_define_os_unameversion"] = "Die Version Ihres Betriebssystems konnte nicht ermittelt werden.";
    map["err_define_osarch"] = "Der Architekturtyp des Systems konnte nicht ermittelt werden:";
    map["err_bad_regexp"] = "Der reguläre Ausdruck '%s' kann nicht kompiliert werden: %s";
    map["err_regexp_nomem"] =
        "Bei der Suche mit einem regulären Ausdruck ist dem System der Speicher ausgegangen.";
    map["err_regexp_nomem2"] =
        "Während einer Suche mit einem regulären Ausdruck ist dem System der Speicher ausgegangen.";
    map["err_mkdir"] = "Das Verzeichnis %s konnte nicht erstellt werden: %s";
    map["err_rmfile1"] = "Die Datei %s kann nicht gelöscht werden, da %s ein Verzeichnis ist.";
    map["err_rmfile2"] = "Die Datei %s kann nicht gelöscht werden: %s";
    map["err_rmdir"] = "Das Verzeichnis %s kann nicht gelöscht werden: %s";
    map["err_rename"] = "Die Datei %s konnte nicht nach %s zurückbenannt werden: %s";
    map["err_copy1"] = "Die Datei %s kann nicht kopiert werden, da es keine solche Datei gibt.";
    map["err_copy2"] =
        "Die Datei %s kann nicht kopiert werden, da an ihrer Stelle ein Verzeichnis %s steht und keine Datei.";
    map["err_copy3"] =
        "Die Datei %s kann nicht nach %s kopiert werden, da bereits eine Datei mit diesem Namen existiert.";
    map["err_opendir"] = "Das Verzeichnis %s konnte nicht geöffnet werden: %s.";
    map["err_fileread1"] = "Die Datei %s konnte nicht geöffnet werden: %s.";
    map["err_filewrite1"] = "Die Datei %s konnte nicht zum Schreiben geöffnet werden: %s.";
    map["err_fileread2"] = "Die Datei %s konnte nicht gelesen werden: %s.";
    map["err_filewrite2"] = "In die Datei %s konnte nicht geschrieben werden: %s.";
    map["err_file_create"] = "Die Datei %s kann nicht erstellt werden";
    map["err_open_missingdir"] = "Das Verzeichnis %s wurde nicht gefunden.";
    map["err_misfile"] = "Die Datei %s wurde nicht gefunden.";
    map["err_download_mkdir"] = "Das Verzeichnis %s kann nicht erstellt werden.";
    map["err_bad_component"] = "Sie haben in der Beschreibung einer Komponente keinen Komponentennamen angegeben.";
    map["err_bad_pkgtag"] =
        "In der Konfigurationsdatei des Installationsprogramms für Corvane-Produkte liegt ein Fehler vor.";
    map["err_cache_pkgvers"] = "In der Paketbeschreibung fehlt die Versionsnummer.";
    map["err_cache_semicolon"] =
        "Fehlerhafter Eintrag in der Paketbeschreibung: Das zweite Zeichen ist kein Doppelpunkt.";
    map["err_cache_shortline"] =
        "Fehlerhafte Paketbeschreibung:\n"
        "Eine der Zeilen ist zu kurz für eine Beschreibung.";
    map["err_cache_multitag"] = "Doppelte Einträge in der Paketbeschreibung.";
    map["err_cache_descend"] = "Fehlerhafte Paketbeschreibung.";
    map["err_cache_unexpend"] = "Die Datei ist unvollständig";
    map["err_std_fn_not_match_re"] = "Falscher Paketdateiname %s.";
    map["err_empty_comp"] = "Die Komponente %s enthält keine Pakete.";
    map["err_pkgread"] = "Die Paketdatei %s konnte nicht gelesen werden.";
    map["err_rpm_read_config"] = "Die RPM-Bibliothek konnte nicht initialisiert werden.";
    map["err_rpmdb_open"] = "Die RPM-Datenbank konnte nicht geöffnet werden.";
    map["err_deb_info_brief"] =
        "Informationen über die im System installierten Pakete können nicht abgerufen werden:\n"
        "Die Ausgabe des Dienstprogramms dpkg-query konnte nicht gelesen werden.";
    map["err_deb_info_apt_cache"] =
        "Die Informationen über das Paket %s konnten nicht aus dem apt-Repository abgerufen werden.";
    map["err_pkg_info_brief"] =
        "Informationen über die im System installierten Pakete können nicht abgerufen werden:\n"
        "Das Dienstprogramm pkg_info konnte nicht ausgeführt werden.";
    map["err_rpm_info_brief"] =
        "Informationen über die im System installierten Pakete können nicht abgerufen werden:\n"
        "Die Ausgabe des Dienstprogramms rpm konnte nicht gelesen werden.";
    map["err_rpm_info_full"] =
        "Ausführliche Informationen über die im System installierten Pakete können nicht abgerufen werden:";
    map["err_rpm_info_full_read"] =
        "Ausführliche Informationen über die im System installierten Pakete können nicht abgerufen werden:\n"
        "Die Ausgabe des Dienstprogramms rpm konnte nicht geöffnet werden.";
    map["err_rpm_info_full_read_done"] =
        "Ausführliche Informationen über die im System installierten Pakete können nicht abgerufen werden:\n"
        "Die Ausgabe des Dienstprogramms rpm konnte nicht gelesen werden.";
    map["err_msi_info_brief"] =
        "Informationen über die im System installierten Pakete können nicht abgerufen werden:\n"
        "Die Liste der installierten Produkte konnte nicht abgerufen werden.";
    map["err_syscache_open"] = "Die Datei %s konnte nicht geöffnet werden.";
    map["err_syscache_read"] = "Die Beschreibung der Pakete konnte nicht aus der Datei %s gelesen werden.";
    map["err_prodpkg_read"] = "Die Liste der Produktpakete konnte nicht gelesen werden.";
    map["err_bad_prodverfile"] = "Fehler in der Produktbeschreibungsdatei %s.";
    map["err_ungzip_repodata_primary"] = "Die Datei %s kann nicht entpackt werden:";
    map["err_repodata_badnumber"] = "Ungültiges Zahlenformat in der Datei %s,  %s.";
    map["err_ungzip_repodata_filelist"] = "Die Datei %s kann nicht entpackt werden:";
    map["err_repodata_sync"] =
        "Die Repodata-Konfigurationsdateien %s und %s enthalten Paketlisten, die nicht übereinstimmen.";
    map["err_repodata_sync2"] =
        "Die Repodata-Konfigurationsdateien %s und %s enthalten Paketlisten, die nicht übereinstimmen.";
    map["err_repodata_depname"] =
        "Fehler im Repodata-Repository '%s'.\n"
        "Ein Abhängigkeitsname fehlt.";
    map["err_repodata_badcond"] =
        "Fehler im Repodata-Repository '%s': Unbekannte Bedingung '%s' in der Abhängigkeitsbeschreibung.";
    map["err_curl_init"] = "Die Download-Bibliothek konnte nicht initialisiert werden.";
    map["err_srcs_empty"] =
        "Pakete können nicht abgerufen werden, da Sie nicht angegeben haben, woher die Pakete heruntergeladen werden sollen.";
    map["err_curl_setup"] = "Die Download-Bibliothek konnte nicht eingerichtet werden.";
    map["err_pkg_dwnld"] =
        "Das Paket %s konnte nicht heruntergeladen werden:\n"
        "%s";
    map["err_mk5check"] =
        "Die MD5-Prüfsumme der Datei %s stimmt nicht mit dem in der Konfigurationsdatei angegebenen Wert überein.";
    map["err_md5_pre"] = "Die MD5-Prüfsumme der Datei %s konnte nicht berechnet werden.";
    map["err_no_space"] =
        "Zum Herunterladen der Dateien vom Server wird mehr freier Speicherplatz benötigt, als im Verzeichnis %s vorhanden ist.\n"
        "Sie müssen etwas Speicherplatz freigeben.";
    map["err_no_space2"] =
        "Datei konnte nicht heruntergeladen werden. Wahrscheinlich steht nicht genügend Speicherplatz zur Verfügung.\n";
    map["err_mirror_distfiles"] = "Der distfiles-Index konnte nicht heruntergeladen werden.";
    map["err_inf3_parse"] =
        "Syntaxfehler in der Datei %s:\n"
        "%s";
    map["err_inf3_root"] = "In der Datei %s wurde kein XML-Wurzelelement gefunden";
    map["err_inf3_nonprod"] =
        "Syntaxfehler in der Datei %s:\n"
        "Das Wurzelelement ist falsch benannt.";
    map["err_inf3_noid"] = "Das Attribut 'id' des Wurzelelements wurde in der Datei %s nicht gefunden";
    map["err_prod_keypkg"] = "Die Liste der Schlüsselpakete des Produkts wurde in der Datei %s nicht gefunden";
    map["err_inf3_norel"] = "In der Datei %s gibt es keine Liste der Release-Versionen des Produkts";
    map["err_inf3_relid"] = "Das Attribut 'id' der Release-Version wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_relname"] =
        "Das Attribut 'name' der Release-Version wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_relver"] =
        "Das Attribut 'version' der Release-Version wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_upgalw"] =
        "Das Attribut 'upgrade_allowed_from' der Release-Version wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_vndr"] = "Das Build-Attribut 'os_vendor' wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_osname"] = "Das Build-Attribut 'os_name' wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_osver"] = "Das Build-Attribut 'os_version' wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_osarch"] = "Das Build-Attribut 'os_arch' wurde in der Datei %s nicht gefunden, bei %s";
    map["err_inf3_bcfg"] = "Das Build-Attribut 'config' wurde in der Datei %s nicht gefunden, bei %s";
    map["err_missing_attr"] = "Das Attribut %s wurde nicht gefunden.";
    map["err_inf_fname"] = "Das Build-Attribut 'config' ist leer.";
    map["err_config_parse"] =
        "Syntaxfehler in der Datei %s:\n"
        "%s";
    map["err_binf3_build"] = "Das Wurzelelement in der Datei %s ist falsch benannt";
    map["err_ports_file"] = "Die Liste der Ports-Archive wurde in der Datei %s nicht gefunden";
    map["err_binf3_comps"] = "Die Liste der Produktkomponenten wurde in der Datei %s nicht gefunden";
    map["err_binf3_compkey"] = "Die Liste der Schlüsselpakete der Komponente %s ist leer.";
    map["err_binf3_nocomps2"] = "Die Liste der Produktkomponenten ist leer.";
    map["err_bad_keypackages"] =
        "Die Liste der Schlüsselpakete der Produktkomponente '%s' konnte nicht erstellt werden.";
    map["err_misheaders"] =
        "Die Konfigurationsdateien %s und %s des Installationsprogramms für Corvane-Produkte enthalten Paketlisten, die nicht übereinstimmen.";
    map["err_mispkg"] =
        "Das Paket %s wurde in keinem der Paket-Repositorys gefunden und kann daher nicht installiert werden.";
    map["err_build_incomp"] =
        "Die Build-Version, die Sie installieren wollten, passt nicht zu Ihrem Betriebssystem.";
    map["err_rel_notfound"] =
        "Die angegebene Release-Version ist auf dem Server nicht vorhanden.\n"
        "Welche Release-Versionen verfügbar sind, erfahren Sie, wenn Sie das Installationsprogramm für Corvane-Produkte mit der Option --show-releases ausführen.";
    map["err_rel_notsuit"] =
        "Die angegebene Release-Version kann nicht installiert werden.\n"
        "Auf Ihrem System ist bereits eine neuere Produktversion installiert.";
    map["err_rel_notsupp"] = "Die ausgewählte Release-Version ist für Ihr Betriebssystem nicht verfügbar.";
    map["err_rel_nocurrent"] = "Das Produkt mit der ID %s ist auf dem Server nicht installiert";
    map["err_comp_instalr"] = "Die Komponente %s ist bereits installiert.";
    map["err_comp_notavail"] = "Die Komponente %s ist nicht verfügbar.";
    map["err_comp_required"] =
        "Die Komponente %s kann nicht ausgeschlossen werden:\n"
        "Sie ist eine erforderliche Komponente.";
    map["err_no_comps_selected"] = "Es wurden keine Komponenten zur Installation ausgewählt.";
    map["err_no_diskspace"] =
        "Es ist nicht genügend freier Speicherplatz im Verzeichnis %s vorhanden. Sie müssen %s Megabyte freigeben.";
    map["param_path_not_valid"] = "Der angegebene Pfad ist ungültig.";
    map["param_path_not_full"] =
        "Der angegebene Pfad ist nicht vollständig. Geben Sie einen vollständigen Pfad an.";
    map["param_path_not_directory"] = "Der angegebene Pfad ist kein Verzeichnis.";
    map["param_path_contains_invalid_characters"] =
        "Der angegebene Pfad enthält nicht unterstützte Zeichen. Es werden nur Zeichen des lateinischen Alphabets unterstützt.";
    map["param_path_not_exists"] = "Der angegebene Pfad existiert nicht.";
    map["param_password_too_short"] =
        "Das eingegebene Passwort ist zu kurz. Das Passwort muss aus mindestens %s Zeichen bestehen.";
    map["param_password_too_long"] =
        "Das eingegebene Passwort ist zu lang. Das Passwort darf höchstens %s Zeichen lang sein.";
    map["param_password_contains_invalid_characters"] =
        "Das eingegebene Passwort enthält nicht unterstützte Zeichen.";
    map["param_password_policy_not_valid"] = "Das eingegebene Passwort ist ungültig.";
    map["param_password_policy_too_short"] =
        "Das eingegebene Passwort ist zu kurz und erfüllt die Passwortanforderungen nicht.";
    map["param_password_policy_too_long"] =
        "Das eingegebene Passwort ist zu lang und erfüllt die Passwortanforderungen nicht.";
    map["param_password_policy_too_simple"] =
        "Das eingegebene Passwort ist zu einfach und erfüllt die Passwortanforderungen nicht.";
    map["param_password_validation_failed"] =
        "Das eingegebene Passwort konnte aus unbekanntem Grund nicht überprüft werden.";
    map["err_deps_nochance"] =
        "Die ausgewählten Komponenten können wegen Problemen mit Paketabhängigkeiten nicht installiert werden.";
    map["err_bad_deps"] =
        "Die ausgewählten Komponenten können wegen Problemen mit Paketabhängigkeiten nicht installiert werden.";
    map["err_deps_badpkg"] =
        "Die Installation kann erst fortgesetzt werden, wenn das Paket %s aus dem System entfernt wurde.";
    map["err_deps_resolve_build"] = "Das Paket \"%s\" kann nicht installiert werden.";
    map["err_deps_install_build"] =
        "Die Abhängigkeit \"%s\", die\n"
        " vom Paket \"%s\" benötigt wird, konnte nicht aufgelöst werden.";
    map["err_prep_group"] =
        "Die angeforderten Pakete können nicht installiert werden, da es Probleme mit Paketabhängigkeiten gibt.";
    map["err_rpmtrans_check"] =
        "Installation der Pakete fehlgeschlagen:\n"
        "Das Installationsprogramm für Corvane-Produkte konnte die Paketabhängigkeiten nicht auflösen.";
    map["err_no_apt"] = "Das Dienstprogramm 'apt' wurde im System nicht gefunden.";
    map["err_debinstall"] = "Beim Versuch, Pakete zu installieren, ist ein Fehler aufgetreten.";
    map["err_deb_inst_exec"] = "Ein Befehl zur Paketinstallation konnte nicht ausgeführt werden.";
    map["err_deb_options"] = "Die Standard-Installationsoptionen können nicht an die Pakete übergeben werden.";
    map["err_debconf_exec"] =
        "debconf kann nicht ausgeführt werden, um die Standard-Installationsoptionen an die Pakete zu übergeben.";
    map["err_rmhold"] = "Das Paket %s kann nicht entfernt werden, da Sie dies dem System untersagt haben.";
    map["err_downgrade"] =
        "Auf Ihrem System ist eine neuere Version des Pakets %s installiert.\n"
        "Die Installation wird nicht fortgesetzt.\n"
        " \n"
        "Offenbar haben Sie die neuesten Pakete von der Website des Herstellers Ihres\n"
        "Betriebssystems installiert. Damit die Produktpakete erfolgreich installiert werden, müssen Sie \n"
        "das Installationsprogramm für Corvane-Produkte auf das Paket-Repository des Herstellers verweisen. Erstellen Sie dazu\n"
        "im Verzeichnis /root/ auf dem Server eine Textdatei mit dem Namen .vantrellrc und fügen Sie\n"
        "der Datei die folgende Zeile hinzu:\n"
        " \n"
        "ADDITIONAL_SOURCE=\"<type>, <priority>, <url>, <username>, <password>\"\n"
        " \n"
        "Ersetzen Sie dabei <type> durch den Wert \"repomd\", <priority> durch eine Zahl von\n"
        "1 bis 999 (999 ist die höchste Priorität) und <url> durch die URL der Update-Quelle\n"
        "des Herstellers. Die Werte <username> und <password> sind nur erforderlich,\n"
        "wenn die Website des Herstellers eine Authentifizierung verlangt. Speichern Sie die Datei und\n"
        "beenden Sie den Texteditor. Starten Sie dann das Installationsprogramm für Corvane-Produkte erneut.";
    map["err_hold_replace"] = "Das Paket %s kann nicht ersetzt werden, da Sie dies dem System untersagt haben.";
    map["err_kernel_depsproblem"] = "Das Kernel-Paket kann nicht installiert werden.";
    map["err_inst_rpms_cmd"] = "Bei der Installation der Pakete ist ein Fehler aufgetreten.";
    map["err_inst_rpms_cmd_exec"] = "Ein Befehl zur Paketinstallation konnte nicht ausgeführt werden.";
    map["err_inst_msh"] =
        "Ein Shell-basiertes Paket kann wegen einer zyklischen Abhängigkeit nicht installiert werden.";
    map["err_inst_shpkg"] = "Bei der Installation des Pakets %s ist ein Fehler aufgetreten.";
    map["err_exec_shpkg"] = "Ein Befehl zur Paketinstallation konnte nicht ausgeführt werden.";
    map["err_rpmtrans_pipe"] =
        "Eine RPM-Transaktion kann nicht ausgeführt werden.\n"
        "Eine Pipe konnte nicht erstellt werden: %s";
    map["err_rpmtrans_fork"] =
        "Eine RPM-Transaktion kann nicht ausgeführt werden.\n"
        "Die fork-Operation ist fehlgeschlagen: %s";
    map["err_rpmtrans_noblock"] =
        "Eine RPM-Transaktion kann nicht ausgeführt werden.\n"
        "Eine Pipe konnte nicht in den nicht blockierenden Modus versetzt werden:\n"
        "%s";
    map["err_rpmtrans_read"] =
        "Bei der Ausführung einer RPM-Transaktion ist ein Fehler aufgetreten:\n"
        "Aus einer Pipe konnte nicht gelesen werden.";
    map["err_rpmtrans_sig"] =
        "Bei der Ausführung einer RPM-Transaktion ist ein Fehler aufgetreten:\n"
        "Vom System wurde ein unbehandeltes Signal empfangen.";
    map["err_rpmtrans_failed"] = "Bei der Installation der Pakete ist ein Fehler aufgetreten.";
    map["err_pkgopen"] =
        "Das Paket %s kann nicht installiert werden, da die Paketdatei nicht geöffnet werden konnte.";
    map["err_pkgread_rpmts"] =
        "Das Paket %s kann nicht installiert werden, da der Paket-Header nicht gelesen werden konnte.";
    map["err_pkg_instadd"] =
        "Das Paket %s kann nicht installiert werden, da es nicht zur RPM-Transaktion hinzugefügt werden konnte.";
    map["err_rpmtrans_err"] = "Bei der Installation der Pakete ist ein Fehler aufgetreten.";
    map["err_pkginst_up2date"] = "Das Dienstprogramm up2date konnte die erforderlichen Pakete nicht installieren.";
    map["err_pkginst_up2date_exec"] = "Das Dienstprogramm up2date konnte nicht ausgeführt werden.";
    map["err_pkginst_yum"] = "Das Dienstprogramm Yum konnte die erforderlichen Pakete nicht installieren.";
    map["err_pkginst_yum_exec"] = "Das Dienstprogramm Yum konnte nicht ausgeführt werden.";
    map["err_pkginst_zypper"] = "Das Dienstprogramm Zypper konnte die erforderlichen Pakete nicht installieren.";
    map["err_pkginst_zypper_exec"] = "Das Dienstprogramm Zypper konnte nicht ausgeführt werden.";
    map["err_installation_stopped"] = "Die Installation wird nicht fortgesetzt";
    map["err_port_inst"] = "Bei der Installation eines Pakets aus dem Port %s sind Fehler aufgetreten.";
    map["err_port_inst_exec"] =
        "Der Befehl zur Installation eines Pakets aus dem Port %s konnte nicht ausgeführt werden.";
    map["err_prep_actions_failed"] =
        "Beim Ausführen der PREP-Aktionen der Installation ist ein Fehler aufgetreten (Einzelheiten siehe Protokoll). Die Installation wurde rückgängig gemacht.";
    map["err_post_actions_failed"] =
        "Beim Ausführen der POST-Aktionen der Installation ist ein Fehler aufgetreten (Einzelheiten siehe Protokoll).";
    map["err_show_pkglist"] = "Die Liste der Pakete kann nicht angezeigt werden.";
    map["err_srclist_restore"] = "Die Datei %s kann nicht aus einer Sicherung wiederhergestellt werden:";
    map["err_srclist_backup"] = "Die Datei %s konnte nicht gesichert werden:";
    map["err_aptget_update_exec"] = "Der apt-Cache konnte nicht aktualisiert werden.";
    map["err_up2date_configure_failed"] = "Das Dienstprogramm up2date konnte nicht konfiguriert werden.";
    map["err_yum_not_found"] = "Das Dienstprogramm Yum ist auf Ihrem System nicht installiert.";
    map["err_yum_version_unsupported"] =
        "Es wurde eine nicht unterstützte Version von Yum erkannt (mindestens 3.2.22 ist erforderlich).\n"
        "Die Installation wird nicht fortgesetzt.\n"
        "Installieren Sie die neuesten Updates auf Ihrem System und versuchen Sie es erneut.";
    map["err_zypper_not_found"] = "Das Dienstprogramm Zypper ist auf Ihrem System nicht installiert.";
    map["err_zypper_version_unsupported"] =
        "Es wurde eine nicht unterstützte Version von Zypper erkannt (mindestens 0.11.6 ist erforderlich).\n"
        "Die Installation wird nicht fortgesetzt";
    map["err_bxag_emptydta"] = "Fehlerhafte Antwort von BXAgent.";
    map["err_bxag_error"] = "BXAgent konnte eine Anfrage nicht verarbeiten.";
    map["err_bxag_emptysys"] = "Fehlerhafte Antwort von BXAgent.";
    map["err_bxag_sendrq"] = "Absenden einer Anfrage an BXAgent fehlgeschlagen: %s.";
    map["err_bxag_recvans"] = "Empfang einer Antwort von BXAgent fehlgeschlagen: %s.";
    map["err_bxag_parseans"] = "Fehlerhafte Antwort von BXAgent.";
    map["err_bxag_badans"] = "Fehlerhafte Antwort von BXAgent.";
    map["err_bxag_unknans"] = "Fehlerhafte Antwort von BXAgent.";
    map["err_get_port_version"] =
        "Die Version des Ports kann nicht aus dem Verzeichnis %s ermittelt werden.\n"
        "Das Verzeichnis wurde nicht gefunden.";
    map["err_port_makefile"] = "Im Port %s wurde kein Makefile gefunden";
    map["err_pkg_readinfo"] =
        "Die Beschreibung des Ports %s kann nicht gelesen werden: Unerwartetes Ende der Datenausgabe.";
    map["err_open_port_makefile"] = "%s kann nicht geöffnet werden";
    map["err_port_mk_options"] = "Die Optionsdatei für den Port %s kann nicht geschrieben werden:";
    map["err_port_mk_options_file"] = "Die Optionsdatei %s kann nicht erstellt werden";
    map["err_port_bad_option"] = "Unerwarteter Optionswert: %s";
    map["err_options_write"] = "Beim Schreiben in die Optionsdatei %s ist ein Fehler aufgetreten";
    map["err_pupgr_no_port"] = "Der Port des Dienstprogramms Portupgrade wurde nicht gefunden.";
    map["err_no_portbal"] = "Die Datei %s wurde nicht gefunden.";
    map["err_empty_portbal"] = "Die Datei %s ist leer.";
    map["err_bad_ports_url"] =
        "Die angegebene URL des Ports-Archivs ist falsch oder unvollständig.\n"
        "Die URL muss die Form \"ftp://ftp.mirror.example.org/pub/FreeBSD/ports/ports.tar.gz\" haben.";
    map["err_tmp_portsdir"] =
        "Es konnte kein temporäres Verzeichnis zum Entpacken des Ports-Archivs erstellt werden";
    map["err_unpack_ports"] = "Die Ports-Archivdatei %s konnte nicht entpackt werden:";
    map["err_unpack_noports"] = "Die Ports-Archivdatei %s enthält kein Verzeichnis 'ports'.";
    map["err_ports_makefile"] = "Die Datei %s/Makefile wurde im entpackten Ports-Archiv nicht gefunden.";
    map["err_cvsup_create"] = "Die cvsup-Konfigurationsdatei %s konnte nicht aus der Vorlage %s erstellt werden:";
    map["err_backup_mkconf"] = "Die Datei /etc/make.conf konnte nicht gesichert werden.";
    map["err_mkconf_tune"] = "Die Datei /etc/make.conf kann nicht bearbeitet werden.";
    map["err_mkconf_tmpl_inst"] = "Die Vorlage make.conf kann nicht nach %s installiert werden";
    map["err_sysrelease"] = "Das Release Ihres Betriebssystems konnte nicht ermittelt werden.";
    map["err_sysrelease2"] = "Das Release Ihres Betriebssystems konnte nicht ermittelt werden.";
    map["err_sysarch"] = "Die Architektur Ihres Systems konnte nicht ermittelt werden.";
    map["err_pktools_tmpl"] =
        "Die pkgtools-Konfigurationsdatei konnte nicht erstellt werden:\n"
        "Die Vorlage %s kann nicht geöffnet werden.";
    map["err_pkgtools_wrt"] =
        "Die pkgtools-Konfigurationsdatei konnte nicht erstellt werden:\n"
        "In die Datei %s kann nicht geschrieben werden.";
    map["err_pkg_tools_mlt"] =
        "Die pkgtools-Konfigurationsdatei konnte nicht erstellt werden:\n"
        "Die Vorlage %s enthält mehrere Ersetzungen.";
    map["err_pktools_nosubst"] =
        "Die pkgtools-Konfigurationsdatei konnte nicht erstellt werden:\n"
        "Die Vorlage %s enthält keine Ersetzungen.";
    map["err_pim_install"] = "Die Datei tarnix.install.mk kann nicht in das Zielverzeichnis %s kopiert werden.";
    map["err_cvsuping"] = "Die System-Ports können nicht mit dem Dienstprogramm cvsup aktualisiert werden:";
    map["err_make_idx"] = "Die Indexdatei der Ports konnte nicht erstellt werden.";
    map["err_portopt_get"] = "Die Standardwerte der Optionen für den Port %s konnten nicht abgerufen werden";
    map["err_port_idx"] = "Die Beschreibung der Produkt-Ports konnte nicht an den Ports-Index angehängt werden:";
    map["err_pupgr_port_old"] =
        "Die auf Ihrem System gefundene Ports-Sammlung ist veraltet.\n"
        "Sie enthält das Dienstprogramm Portupgrade in der Version %s; für die Installation des Produkts ist jedoch die Version %s oder höher erforderlich.";
    map["err_sysports_install"] = "Die System-Ports-Sammlung konnte nicht installiert werden:";
    map["err_prodports_install"] = "Die Produkt-Ports konnten nicht installiert werden:";
    map["err_ports_no_template"] = "Die Vorlage der Konfigurationsdatei %s wurde nicht gefunden.";
    map["err_self_upgrade_no_md5sum"] =
        "Die MD5-Summe für die neue Binärdatei des Corvane Installer kann nicht heruntergeladen werden.";
    map["err_selfupg_avail_ver_too_low"] =
        "Die heruntergeladene Version %s ist für die Installation des ausgewählten Produkts nicht geeignet.";
    map["err_unable_to_satisfy_version"] =
        "Die erforderliche Version '%s' wurde auf dem Server nicht gefunden.\n"
        "Dies kann an einem Konfigurationsfehler auf der Download-Website liegen.";
    map["err_self_upgrade_failed"] =
        "Die neueste Version des Installationsprogramms für Corvane-Produkte kann nicht abgerufen werden: ";
}
