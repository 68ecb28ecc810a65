#include "../common/Messages.h"

// French error group: error and setting texts ("err_" and "param_" keys). Keys it lacks
// keep their English text: err_addrepo_zypper and err_incompatible_products have none.
void Messages::messages_rep::loadErrorsFr() {
    map["err_unkn_option"] = "Vous avez indiqué une option inconnue.";
    map["err_unkn_arg"] =
        "Erreur d'analyse de la ligne de commande : Il doit ne plus y avoir d'arguments après les options.\n"
        "Les arguments suivants ont été trouvés après la dernière option :\n";
    map["err_cmd_override"] =
        "Vous avez indiqué une combinaison d'options incorrecte.\n"
        "Les options %s et %s ne peuvent pas être utilisées ensemble.\n"
        "Pour plus de détails, consultez l'aide du programme d'installation (lancez le programme d'installation des Produits Corvane avec l'option --help).";
    map["err_comp_sel"] =
        "Vous avez indiqué des options qui ne peuvent pas être utilisées ensemble : --install-everything et --install-component.\n"
        "Décidez si vous voulez installer tous les composants ou seulement certains d'entre eux, et utilisez l'option correspondante.";
    map["err_relid_relready"] = "Vous avez déjà indiqué la version de la release.";
    map["err_no_command"] =
        "Vous n'avez indiqué aucune option de commande.\n"
        "Pour obtenir la liste des options de commande, lancez le programme d'installation des Produits Corvane avec l'option --help.";
    map["err_bool_val"] =
        "La valeur '%s' que vous avez indiquée pour le paramètre '%s' est incorrecte.\n"
        "Avec ce paramètre, vous ne pouvez utiliser que les valeurs 'yes' ou 'no'.";
    map["err_rcfile_open"] = "Impossible de lire le fichier de configuration %s du programme d'installation.";
    map["err_rc_syntax"] =
        "Erreur de syntaxe dans le fichier de configuration du programme d'installation des Produits Corvane :";
    map["err_rc_param"] = "le nom des paramètres doit commencer par une lettre.";
    map["err_rc_line"] =
        "'%s'\n"
        "Toutes les lignes doivent respecter le format 'parameter_name=parameter_value'.";
    map["err_rc_eqsign"] =
        "'%s'.\n"
        "Il manque un signe égal (=).\n"
        "Toutes les lignes doivent respecter le format 'parameter_name=parameter_value'.";
    map["err_rc_value"] =
        "'%s' - la valeur du paramètre est absente.\n"
        "Toutes les lignes doivent respecter le format 'parameter_name=parameter_value'.";
    map["err_noquote_closed"] = "Le guillemet fermant est introuvable.";
    map["err_csv_no_quote"] =
        "Liste de valeurs séparées par des virgules mal formée.\n"
        "Si des valeurs contiennent des espaces,\n"
        "placez chacune d'elles entre guillemets doubles.";
    map["err_spsepval"] =
        "La ligne '%s' contient une erreur de syntaxe :\n"
        "vous devez séparer les valeurs par des espaces.";
    map["err_malfrm_src"] = "Vous avez mal indiqué une source supplémentaire.";
    map["err_bad_src_nargs"] = "Vous devez indiquer trois ou cinq paramètres.";
    map["err_src_args"] = "Spécification incorrecte d'une source supplémentaire : '%s'";
    map["err_src_priority"] =
        "Vous avez mal indiqué une source supplémentaire avec l'option --add-source :\n"
        "la priorité doit être comprise entre 1 et 999.";
    map["err_src_xmlblist"] =
        "Vous ne pouvez pas utiliser les options --enable-xml-output et --show-os-list en même temps.";
    map["err_holdpkgs_list"] =
        "Des valeurs incorrectes ont été indiquées pour le paramètre HOLD_PACKAGES dans le fichier de configuration du programme d'installation.";
    map["err_instpkg_list"] = "Vous avez indiqué un argument incorrect pour l'option --install-package.";
    map["err_no_package"] = "Le paquet %s que vous avez sélectionné est introuvable.";
    map["err_mirr_src"] = "Un miroir ne peut être créé qu'à partir d'une source réseau, et non d'un chemin local.";
    map["err_mirror_order"] =
        "Vous avez indiqué les options dans le mauvais ordre.\n"
        "Indiquez d'abord la version de la release avec l'option --select-release-id, puis les builds à télécharger avec l'option --mirror-os.";
    map["err_build_notfound"] =
        "Le build du produit que vous avez indiqué n'est pas disponible.\n"
        "Servez-vous de l'option --mirror-os pour indiquer un autre build.";
    map["err_kern_inst"] =
        "L'installation de cette version du produit exige que le programme d'installation soit autorisé à installer le paquet du noyau.\n"
        "Pour cela, relancez l'installation en exécutant le programme d'installation avec l'option --allow-kernel-install.";
    map["err_no_pkg_local_src"] =
        "L'installation depuis une source locale n'est pas prise en charge sur ce système d'exploitation.";
    map["err_ssl_strong_recomended"] =
        "Avertissement : Nous vous recommandons de vous connecter à l'assistant\n"
        "d'installation Web par une connexion sécurisée, afin que votre mot de passe\n"
        "d'administrateur ne puisse pas être intercepté par un tiers. Pour cela, lancez\n"
        "la commande installer_file_name --web-interface --ssl-cert\n"
        "/root/my_server_cert.pem, où /root/my_server_cert.pem est le chemin\n"
        "du fichier de certificat SSL que vous utiliserez pour sécuriser les connexions\n"
        "au Panel. Il doit s'agir soit d'un certificat SSL valide acheté\n"
        "auprès d'une autorité de certification, soit d'un certificat SSL auto-signé.\n"
        "Si vous comprenez les risques de sécurité et ne voulez pas utiliser de connexion\n"
        "sécurisée, lancez la commande installer_file_name --web-interface --without-ssl.\n";
    map["err_user_lost"] = "Vous venez de terminer votre session en appuyant sur Ctrl + D.";
    map["err_not_float_number"] = "Veuillez indiquer un nombre décimal, par exemple 1.5";
    map["err_not_email"] = "Veuillez indiquer une adresse e-mail au format user@example.com";
    map["err_not_domain"] = "Veuillez indiquer un nom de domaine au format host.example.com";
    map["err_not_hostname"] = "Veuillez indiquer soit un nom de domaine (comme example.com), soit une adresse IP";
    map["err_not_url"] = "Veuillez indiquer une URL au format protocol://path";
    map["err_passwds_missmatch"] = "Les mots de passe indiqués ne correspondent pas";
    map["err_undef_wmode"] = "Erreur interne dans main, ligne 348 : mode de fonctionnement inconnu.";
    map["err_unkn_pkgsys"] = "Erreur interne dans main, ligne 144 : système de paquets inconnu.";
    map["err_no_debpartver"] = "Une erreur interne s'est produite dans DebVersion, ligne &lt;numéro de ligne&gt;";
    map["err_bad_semnum"] =
        "Une erreur s'est produite lors d'une tentative de verrouillage d'un fichier. Erreur dans Lock, ligne ..";
    map["err_basepkg_noread"] =
        "Erreur interne : la méthode readInfo() n'est pas prise en charge par la classe Package";
    map["err_unkn_pkgtype"] =
        "Erreur interne dans Installer, ligne 412 : type inconnu du premier paquet du groupe d'installation.";
    map["err_no_cm"] = "Erreur interne dans SourceSysStd, ligne 57 : l'objet ComponentManager est absent.";
    map["err_deb_initobj"] = "Erreur interne : type de configurateur système incompatible.";
    map["err_sysconf_init"] = "Erreur interne : les fonctions ont été appelées dans un ordre incorrect.";
    map["err_component_not_resolved"] =
        "Erreur interne dans ComponentManager, ligne 233 : le composant n'a pas été résolu.";
    map["err_bad_match_arg"] =
        "Erreur interne dans Regexp, ligne 118 : la fonction match() a reçu un argument nul au lieu d'une chaîne de caractères.";
    map["err_bad_subexpr"] =
        "Echec de l'appel de la fonction getNumSubexpr : cette fonction n'accepte que des expressions régulières contenant des sous-expressions.";
    map["err_bad_subexpr2"] =
        "Echec de l'appel de la fonction matchSub : cette fonction n'accepte que des expressions régulières contenant des sous-expressions.";
    map["err_bad_submatch"] =
        "Echec de l'appel de la fonction getMatch : cette fonction n'accepte que des expressions régulières qui prennent en charge les sous-correspondances.";
    map["err_badmatch"] =
        "Echec de l'appel de la fonction getMatch : cette fonction ne prend pas en charge les sous-expressions. Les sous-expressions exigent la fonction matchSub.";
    map["err_empty_version"] = "La version n'est pas indiquée. Erreur dans Version, ligne 91.";
    map["err_unkn_comp_status"] = "un code inconnu a été attribué au composant du produit.";
    map["err_exec_pipefail"] = "Impossible de créer les tubes de communication interne entre les processus.";
    map["err_exec_forkfail"] = "Echec de l'exécution d'une commande externe : l'opération fork a échoué.";
    map["err_exec_systemfail"] = "Echec de l'exécution d'une commande externe : l'opération system() a échoué.";
    map["err_exec_pipenoblock"] =
        "Echec de la lecture de la sortie du processus exécuté : impossible de passer le tube en mode non bloquant.";
    map["err_exec_pipenoread"] = "Impossible de lire la sortie du processus exécuté :";
    map["err_exec_signal"] = "Le processus exécuté a été arrêté à cause d'un signal non traité reçu du système.";
    map["err_exec_cmd_not_found"] = "Impossible d'exécuter une commande externe %s: commande introuvable";
    map["err_empty_output"] = "Aucune donnée n'a été reçue de l'utilitaire %s.";
    map["err_util_exec"] = "Une erreur s'est produite lors de l'exécution de l'utilitaire %s.";
    map["err_lock_get"] = "Le verrouillage du fichier &lt;file name&gt; a échoué suite à une erreur système.";
    map["err_lock_locked"] = "Le programme d'installation des Produits Corvane est déjà en cours.";
    map["err_lock_file"] = "Le verrouillage du fichier %s a échoué suite à une erreur système : %s";
    map["err_lock_shutdown"] = "Impossible de déverrouiller le fichier %s";
    map["err_lock_failed"] = "Impossible de verrouiller le fichier %s : %s";
    map["err_unlock_failed"] = "Impossible de déverrouiller le fichier %s : %s";
    map["err_lock_test"] = "Impossible de vérifier si le fichier %s est verrouillé : %s";
    map["err_chk_exclusive"] =
        "Impossible de vérifier si le programme d'installation des Produits Corvane est déjà en cours.";
    map["err_date_get"] = "Impossible d'obtenir la date et l'heure actuelles.";
    map["err_timezone_not_configured"] =
        "Le système ne contient pas de fichier /etc/localtime.\n"
        "Exécutez tzsetup en tant que root pour configurer votre fuseau horaire";
    map["err_non_digit"] = "Format de nombre incorrect.";
    map["err_vendor_define"] = "Impossible de déterminer l'éditeur de votre système d'exploitation.";
    map["err_opsys_define"] =
        "Votre système d'exploitation n'est pas pris en charge par cette version du programme d'installation des Produits Corvane.";
    map["err_define_osversion"] =
        "Impossible de lire la version de votre système d'exploitation dans le fichier %s";
    map["err_define_os_unameversion"] = "Impossible de déterminer la version de votre système d'exploitation.";
    map["err_define_osarch"] = "Impossible de déterminer le type d'architecture du système :";
    map["err_bad_regexp"] = "Impossible de compiler l'expression régulière '%s' : %s";
    map["err_regexp_nomem"] =
        "Lors de la recherche à l'aide d'une expression régulière, le système a manqué de mémoire.";
    map["err_regexp_nomem2"] =
        "Pendant une recherche à l'aide d'une expression régulière, le système a manqué de mémoire.";
    map["err_mkdir"] = "Impossible de créer le répertoire %s : %s";
    map["err_rmfile1"] = "Impossible de supprimer le fichier %s car %s est un répertoire.";
    map["err_rmfile2"] = "Impossible de supprimer le fichier %s : %s";
    map["err_rmdir"] = "Impossible de supprimer le répertoire %s : %s";
    map["err_rename"] = "Impossible de renommer le fichier %s en %s : %s";
    map["err_copy1"] = "Impossible de copier le fichier %s car ce fichier n'existe pas.";
    map["err_copy2"] =
        "Impossible de copier le fichier %s car il existe à sa place un répertoire %s, et non un fichier.";
    map["err_copy3"] = "Impossible de copier le fichier %s vers %s car un fichier portant ce nom existe déjà.";
    map["err_opendir"] = "Impossible d'ouvrir le répertoire %s : %s.";
    map["err_fileread1"] = "Impossible d'ouvrir le fichier %s : %s.";
    map["err_filewrite1"] = "Impossible d'ouvrir le fichier %s en écriture : %s.";
    map["err_fileread2"] = "Impossible de lire le fichier %s : %s.";
    map["err_filewrite2"] = "Impossible d'écrire dans le fichier %s : %s.";
    map["err_file_create"] = "Impossible de créer le fichier %s";
    map["err_open_missingdir"] = "Le répertoire %s est introuvable.";
    map["err_misfile"] = "Le fichier %s est introuvable.";
    map["err_download_mkdir"] = "Impossible de créer le répertoire %s.";
    map["err_bad_component"] = "Vous n'avez pas indiqué le nom du composant dans la description d'un composant.";
    map["err_bad_pkgtag"] =
        "Le fichier de configuration du programme d'installation des Produits Corvane contient une erreur.";
    map["err_cache_pkgvers"] = "Le numéro de version est absent de la description du paquet.";
    map["err_cache_semicolon"] =
        "Entrée mal formée dans la description du paquet : le deuxième caractère n'est pas un deux-points.";
    map["err_cache_shortline"] =
        "Description de paquet mal formée :\n"
        "l'une des lignes est trop courte pour être une description.";
    map["err_cache_multitag"] = "Entrées en double dans la description du paquet.";
    map["err_cache_descend"] = "Description de paquet mal formée.";
    map["err_cache_unexpend"] = "Le fichier est incomplet";
    map["err_std_fn_not_match_re"] = "Nom de fichier de paquet incorrect : %s.";
    map["err_empty_comp"] = "Le composant %s ne contient aucun paquet.";
    map["err_pkgread"] = "Impossible de lire le fichier de paquet %s.";
    map["err_rpm_read_config"] = "Impossible d'initialiser la bibliothèque RPM.";
    map["err_rpmdb_open"] = "Impossible d'ouvrir la base de données RPM.";
    map["err_deb_info_brief"] =
        "Impossible d'obtenir les informations sur les paquets installés sur le système :\n"
        "la lecture de la sortie de l'utilitaire dpkg-query a échoué.";
    map["err_deb_info_apt_cache"] = "Impossible d'obtenir les informations sur le paquet %s depuis le dépôt apt.";
    map["err_pkg_info_brief"] =
        "Impossible d'obtenir les informations sur les paquets installés sur le système :\n"
        "l'exécution de l'utilitaire pkg_info a échoué.";
    map["err_rpm_info_brief"] =
        "Impossible d'obtenir les informations sur les paquets installés sur le système :\n"
        "la lecture de la sortie de l'utilitaire rpm a échoué.";
    map["err_rpm_info_full"] =
        "Impossible d'obtenir les informations détaillées sur les paquets installés sur le système :";
    map["err_rpm_info_full_read"] =
        "Impossible d'obtenir les informations détaillées sur les paquets installés sur le système :\n"
        "l'ouverture de la sortie de l'utilitaire rpm a échoué.";
    map["err_rpm_info_full_read_done"] =
        "Impossible d'obtenir les informations détaillées sur les paquets installés sur le système :\n"
        "la lecture de la sortie de l'utilitaire rpm a échoué.";
    map["err_msi_info_brief"] =
        "Impossible d'obtenir les informations sur les paquets installés sur le système :\n"
        "la liste des produits installés n'a pas pu être obtenue.";
    map["err_syscache_open"] = "Impossible d'ouvrir le fichier %s.";
    map["err_syscache_read"] = "Impossible de lire la description des paquets dans le fichier %s.";
    map["err_prodpkg_read"] = "Impossible de lire la liste des paquets du produit.";
    map["err_bad_prodverfile"] = "Erreur dans le fichier de description du produit %s.";
    map["err_ungzip_repodata_primary"] = "Impossible de décompresser le fichier %s :";
    map["err_repodata_badnumber"] = "Format de nombre incorrect dans le fichier %s,  %s.";
    map["err_ungzip_repodata_filelist"] = "Impossible de décompresser le fichier %s :";
    map["err_repodata_sync"] =
        "Les fichiers de configuration repodata %s et %s contiennent des listes de paquets qui ne correspondent pas.";
    map["err_repodata_sync2"] =
        "Les fichiers de configuration repodata %s et %s contiennent des listes de paquets qui ne correspondent pas.";
    map["err_repodata_depname"] =
        "Erreur dans le dépôt repodata '%s'.\n"
        "Un nom de dépendance est absent.";
    map["err_repodata_badcond"] =
        "Erreur dans le dépôt repodata '%s' : condition inconnue '%s' dans la description d'une dépendance.";
    map["err_curl_init"] = "Impossible d'initialiser la bibliothèque de téléchargement.";
    map["err_srcs_empty"] = "Impossible d'obtenir les paquets car vous n'avez pas indiqué d'où les télécharger.";
    map["err_curl_setup"] = "Impossible de configurer la bibliothèque de téléchargement.";
    map["err_pkg_dwnld"] =
        "Echec du téléchargement du paquet %s :\n"
        "%s";
    map["err_mk5check"] =
        "La somme de contrôle MD5 du fichier %s ne correspond pas à la valeur indiquée dans le fichier de configuration.";
    map["err_md5_pre"] = "Impossible de calculer la somme de contrôle MD5 du fichier %s.";
    map["err_no_space"] =
        "Le téléchargement des fichiers depuis le serveur exige plus d'espace disque libre que n'en offre le répertoire %s.\n"
        "Vous devez libérer de l'espace disque.";
    map["err_no_space2"] =
        "Impossible de télécharger le fichier, probablement en raison d'un total insuffisant d'espace disque libre.\n";
    map["err_mirror_distfiles"] = "Impossible de télécharger l'index distfiles.";
    map["err_inf3_parse"] =
        "Erreur de syntaxe dans le fichier %s :\n"
        "%s";
    map["err_inf3_root"] = "Aucun élément racine XML n'a été trouvé dans le fichier %s";
    map["err_inf3_nonprod"] =
        "Erreur de syntaxe dans le fichier %s :\n"
        "l'élément racine est mal nommé.";
    map["err_inf3_noid"] = "L'attribut 'id' de l'élément racine est introuvable dans le fichier %s";
    map["err_prod_keypkg"] = "La liste des paquets clés du produit est introuvable dans le fichier %s";
    map["err_inf3_norel"] = "Le fichier %s ne contient aucune liste des versions de release du produit";
    map["err_inf3_relid"] = "L'attribut 'id' de la version de release est introuvable dans le fichier %s, à %s";
    map["err_inf3_relname"] =
        "L'attribut 'name' de la version de release est introuvable dans le fichier %s, à %s";
    map["err_inf3_relver"] =
        "L'attribut 'version' de la version de release est introuvable dans le fichier %s, à %s";
    map["err_inf3_upgalw"] =
        "L'attribut 'upgrade_allowed_from' de la version de release est introuvable dans le fichier %s, à %s";
    map["err_inf3_vndr"] = "L'attribut de build 'os_vendor' est introuvable dans le fichier %s, à %s";
    map["err_inf3_osname"] = "L'attribut de build 'os_name' est introuvable dans le fichier %s, à %s";
    map["err_inf3_osver"] = "L'attribut de build 'os_version' est introuvable dans le fichier %s, à %s";
    map["err_inf3_osarch"] = "L'attribut de build 'os_arch' est introuvable dans le fichier %s à %s";
    map["err_inf3_bcfg"] = "L'attribut de build 'config' est introuvable dans le fichier %s, à %s";
    map["err_missing_attr"] = "L'attribut %s est introuvable.";
    map["err_inf_fname"] = "L'attribut de build 'config' est vide.";
    map["err_config_parse"] =
        "Erreur de syntaxe dans le fichier %s :\n"
        "%s";
    map["err_binf3_build"] = "L'élément racine est mal nommé dans le fichier %s";
    map["err_ports_file"] = "La liste des archives de ports est introuvable dans le fichier %s";
    map["err_binf3_comps"] = "La liste des composants du produit est introuvable dans le fichier %s";
    map["err_binf3_compkey"] = "La liste des paquets clés du composant %s est vide.";
    map["err_binf3_nocomps2"] = "La liste des composants du produit est vide.";
    map["err_bad_keypackages"] = "Impossible d'établir la liste des paquets clés du composant de produit '%s'.";
    map["err_misheaders"] =
        "Les fichiers de configuration %s et %s du programme d'installation des Produits Corvane contiennent des listes de paquets qui ne correspondent pas.";
    map["err_mispkg"] =
        "Le paquet %s est introuvable dans tous les dépôts de paquets ; il ne peut donc pas être installé.";
    map["err_build_incomp"] =
        "La version du build que vous avez tenté d'installer ne convient pas à votre système d'exploitation.";
    map["err_rel_notfound"] =
        "La version de release que vous avez indiquée n'existe pas sur le serveur.\n"
        "Pour connaître les versions de release disponibles, lancez le programme d'installation des Produits Corvane avec l'option --show-releases.";
    map["err_rel_notsuit"] =
        "Impossible d'installer la version de release que vous avez indiquée.\n"
        "Une version plus récente du produit est déjà installée sur votre système.";
    map["err_rel_notsupp"] =
        "La version de release que vous avez sélectionnée n'est pas disponible pour votre système d'exploitation.";
    map["err_rel_nocurrent"] = "Le produit d'ID %s n'est pas installé sur le serveur";
    map["err_comp_instalr"] = "Le composant %s est déjà installé.";
    map["err_comp_notavail"] = "Le composant %s n'est pas disponible.";
    map["err_comp_required"] =
        "Impossible d'exclure le composant %s :\n"
        "il s'agit d'un composant requis.";
    map["err_no_comps_selected"] = "Aucun composant n'a été sélectionné pour l'installation.";
    map["err_no_diskspace"] =
        "Il n'y a pas assez d'espace disque de libre dans le répertoire %s. Vous devez libérer %s mégaoctets.";
    map["param_path_not_valid"] = "Le chemin indiqué n'est pas valide.";
    map["param_path_not_full"] = "Le chemin indiqué n'est pas complet. Veuillez indiquer un chemin complet.";
    map["param_path_not_directory"] = "Le chemin indiqué n'est pas un répertoire.";
    map["param_path_contains_invalid_characters"] =
        "Le chemin indiqué contient des caractères non pris en charge. Seuls les caractères de l'alphabet latin sont pris en charge.";
    map["param_path_not_exists"] = "Le chemin indiqué n'existe pas.";
    map["param_password_too_short"] =
        "Le mot de passe indiqué est trop court. Le mot de passe doit contenir au moins %s caractères.";
    map["param_password_too_long"] =
        "Le mot de passe indiqué est trop long. Le mot de passe ne doit pas dépasser %s caractères.";
    map["param_password_contains_invalid_characters"] =
        "Le mot de passe indiqué contient des symboles non pris en charge.";
    map["param_password_policy_not_valid"] = "Le mot de passe indiqué n'est pas valide.";
    map["param_password_policy_too_short"] =
        "Le mot de passe indiqué est trop court et ne respecte pas les exigences de mot de passe.";
    map["param_password_policy_too_long"] =
        "Le mot de passe indiqué est trop long et ne respecte pas les exigences de mot de passe.";
    map["param_password_policy_too_simple"] =
        "Le mot de passe indiqué est trop simple et ne respecte pas les exigences de mot de passe.";
    map["param_password_validation_failed"] =
        "Le mot de passe indiqué n'a pas pu être validé pour une raison inconnue.";
    map["err_deps_nochance"] =
        "Impossible d'installer les composants sélectionnés en raison de problèmes de dépendances entre paquets.";
    map["err_bad_deps"] =
        "Impossible d'installer les composants sélectionnés en raison de problèmes de dépendances entre paquets.";
    map["err_deps_badpkg"] =
        "Impossible de poursuivre l'installation tant que le paquet %s n'a pas été supprimé du système.";
    map["err_deps_resolve_build"] = "Impossible d'installer le paquet \"%s\".";
    map["err_deps_install_build"] =
        "La dépendance \"%s\" requise\n"
        " par le paquet \"%s\" n'a pas pu être résolue.";
    map["err_prep_group"] =
        "Impossible d'installer les paquets demandés car il existe des problèmes de dépendances entre paquets.";
    map["err_rpmtrans_check"] =
        "Echec de l'installation des paquets :\n"
        "le programme d'installation des Produits Corvane n'a pas pu résoudre les dépendances des paquets.";
    map["err_no_apt"] = "L'utilitaire 'apt' est introuvable sur le système.";
    map["err_debinstall"] = "Une erreur s'est produite lors d'une tentative d'installation de paquets.";
    map["err_deb_inst_exec"] = "Impossible d'exécuter une commande d'installation de paquets.";
    map["err_deb_options"] = "Impossible de transmettre les options d'installation par défaut aux paquets.";
    map["err_debconf_exec"] =
        "Impossible d'exécuter debconf pour transmettre les options d'installation par défaut aux paquets.";
    map["err_rmhold"] = "Impossible de supprimer le paquet %s car vous avez interdit au système de le faire.";
    map["err_downgrade"] =
        "Une version plus récente du paquet %s est installée sur votre système.\n"
        "L'installation ne va pas se poursuivre.\n"
        " \n"
        "Il semble que vous ayez installé les derniers paquets depuis le site de l'éditeur\n"
        "de votre système d'exploitation. Pour réussir l'installation des paquets du produit, vous devez \n"
        "indiquer au programme d'installation des Produits Corvane le dépôt de paquets de l'éditeur. Pour cela, créez\n"
        "un fichier texte nommé .vantrellrc dans le répertoire /root/ du serveur, et ajoutez\n"
        "la ligne suivante au fichier :\n"
        " \n"
        "ADDITIONAL_SOURCE=\"<type>, <priority>, <url>, <username>, <password>\"\n"
        " \n"
        "où vous devez remplacer <type> par la valeur \"repomd\", <priority> par un nombre de\n"
        "1 à 999 (999 étant la priorité la plus haute) et <url> par l'URL de la source\n"
        "de mises à jour de l'éditeur. Les valeurs <username> et <password> ne sont requises\n"
        "que si le site de l'éditeur exige une authentification. Enregistrez le fichier et\n"
        "quittez l'éditeur de texte. Lancez ensuite à nouveau le programme d'installation des Produits Corvane.";
    map["err_hold_replace"] =
        "Impossible de remplacer le paquet %s car vous avez interdit au système de le faire.";
    map["err_kernel_depsproblem"] = "Impossible d'installer le paquet du noyau.";
    map["err_inst_rpms_cmd"] = "Une erreur s'est produite lors de l'installation des paquets.";
    map["err_inst_rpms_cmd_exec"] = "Impossible d'exécuter une commande d'installation de paquets.";
    map["err_inst_msh"] = "Impossible d'installer un paquet de type shell en raison d'une dépendance circulaire.";
    map["err_inst_shpkg"] = "Une erreur s'est produite lors de l'installation du paquet %s.";
    map["err_exec_shpkg"] = "Impossible d'exécuter une commande d'installation de paquets.";
    map["err_rpmtrans_pipe"] =
        "Impossible d'exécuter une transaction RPM.\n"
        "La création d'un tube a échoué : %s";
    map["err_rpmtrans_fork"] =
        "Impossible d'exécuter une transaction RPM.\n"
        "L'opération fork a échoué : %s";
    map["err_rpmtrans_noblock"] =
        "Impossible d'exécuter une transaction RPM.\n"
        "Le passage d'un tube en mode non bloquant a échoué :\n"
        "%s";
    map["err_rpmtrans_read"] =
        "Une erreur s'est produite lors de l'exécution d'une transaction RPM :\n"
        "la lecture d'un tube a échoué.";
    map["err_rpmtrans_sig"] =
        "Une erreur s'est produite lors de l'exécution d'une transaction RPM :\n"
        "un signal non traité a été reçu du système.";
    map["err_rpmtrans_failed"] = "Une erreur s'est produite lors de l'installation des paquets.";
    map["err_pkgopen"] = "Impossible d'installer le paquet %s car l'ouverture du fichier de paquet a échoué.";
    map["err_pkgread_rpmts"] =
        "Impossible d'installer le paquet %s car la lecture de l'en-tête du paquet a échoué.";
    map["err_pkg_instadd"] = "Impossible d'installer le paquet %s car son ajout à la transaction RPM a échoué.";
    map["err_rpmtrans_err"] = "Une erreur s'est produite lors de l'installation des paquets.";
    map["err_pkginst_up2date"] = "L'utilitaire up2date n'a pas pu installer les paquets requis.";
    map["err_pkginst_up2date_exec"] = "Impossible de lancer l'utilitaire up2date.";
    map["err_pkginst_yum"] = "L'utilitaire yum n'a pas pu installer les paquets requis.";
    map["err_pkginst_yum_exec"] = "Impossible de lancer l'utilitaire yum.";
    map["err_pkginst_zypper"] = "L'utilitaire Zypper n'a pas pu installer les paquets requis.";
    map["err_pkginst_zypper_exec"] = "Impossible de lancer l'utilitaire Zypper.";
    map["err_installation_stopped"] = "L'installation ne va pas se poursuivre";
    map["err_port_inst"] = "Des erreurs se sont produites lors de l'installation d'un paquet depuis le port %s.";
    map["err_port_inst_exec"] = "Impossible d'exécuter la commande d'installation d'un paquet depuis le port %s.";
    map["err_prep_actions_failed"] =
        "Une erreur s'est produite lors de l'exécution des actions PREP de l'installation (voir le journal pour plus de détails). L'installation a été annulée.";
    map["err_post_actions_failed"] =
        "Une erreur s'est produite lors de l'exécution des actions POST de l'installation (voir le journal pour plus de détails).";
    map["err_show_pkglist"] = "Impossible d'afficher la liste des paquets.";
    map["err_srclist_restore"] = "Impossible de restaurer le fichier %s depuis une sauvegarde :";
    map["err_srclist_backup"] = "Impossible de sauvegarder le fichier %s :";
    map["err_aptget_update_exec"] = "Impossible de mettre à jour le cache apt.";
    map["err_up2date_configure_failed"] = "Impossible de configurer l'utilitaire up2date.";
    map["err_yum_not_found"] = "L'utilitaire yum n'est pas installé sur votre système.";
    map["err_yum_version_unsupported"] =
        "Une version non prise en charge de yum a été détectée (la version 3.2.22 au moins est requise).\n"
        "L'installation ne va pas se poursuivre.\n"
        "Veuillez installer les dernières mises à jour sur votre système et réessayer.";
    map["err_zypper_not_found"] = "L'utilitaire Zypper n'est pas installé sur votre système.";
    map["err_zypper_version_unsupported"] =
        "Une version non prise en charge de Zypper a été détectée (la version 0.11.6 au moins est requise).\n"
        "L'installation ne va pas se poursuivre";
    map["err_bxag_emptydta"] = "Réponse incorrecte de BXAgent.";
    map["err_bxag_error"] = "BXAgent n'a pas pu traiter une requête.";
    map["err_bxag_emptysys"] = "Réponse incorrecte de BXAgent.";
    map["err_bxag_sendrq"] = "La requête n'a pas pu être soumise à BXAgent : %s.";
    map["err_bxag_recvans"] = "Impossible de recevoir une réponse de BXAgent : %s.";
    map["err_bxag_parseans"] = "Réponse incorrecte de BXAgent.";
    map["err_bxag_badans"] = "Réponse incorrecte de BXAgent.";
    map["err_bxag_unknans"] = "Réponse incorrecte de BXAgent.";
    map["err_get_port_version"] =
        "Impossible d'obtenir la version du port depuis le répertoire %s.\n"
        "Le répertoire est introuvable.";
    map["err_port_makefile"] = "Le Makefile est introuvable dans le port %s";
    map["err_pkg_readinfo"] =
        "Impossible de lire la description du port %s : fin inattendue de la sortie des données.";
    map["err_open_port_makefile"] = "Impossible d'ouvrir %s";
    map["err_port_mk_options"] = "Impossible d'écrire le fichier d'options du port %s :";
    map["err_port_mk_options_file"] = "Impossible de créer le fichier d'options %s";
    map["err_port_bad_option"] = "Valeur d'option inattendue : %s";
    map["err_options_write"] = "Une erreur s'est produite lors de l'écriture dans le fichier d'options %s";
    map["err_pupgr_no_port"] = "Le port de l'utilitaire portupgrade est introuvable.";
    map["err_no_portbal"] = "Le fichier %s est introuvable.";
    map["err_empty_portbal"] = "Le fichier %s est vide.";
    map["err_bad_ports_url"] =
        "L'URL de l'archive des ports que vous avez indiquée est incorrecte ou incomplète.\n"
        "L'URL doit avoir la forme \"ftp://ftp.mirror.example.org/pub/FreeBSD/ports/ports.tar.gz\".";
    map["err_tmp_portsdir"] =
        "Impossible de créer un répertoire temporaire pour l'extraction de l'archive des ports";
    map["err_unpack_ports"] = "Impossible d'extraire le fichier d'archive des ports %s :";
    map["err_unpack_noports"] = "Le fichier d'archive des ports %s ne contient pas le répertoire 'ports'.";
    map["err_ports_makefile"] = "Le fichier %s/Makefile est introuvable dans l'archive des ports extraite.";
    map["err_cvsup_create"] = "Impossible de créer le fichier de configuration cvsup %s à partir du modèle %s :";
    map["err_backup_mkconf"] = "Impossible de sauvegarder le fichier /etc/make.conf.";
    map["err_mkconf_tune"] = "Impossible de modifier le fichier /etc/make.conf.";
    map["err_mkconf_tmpl_inst"] = "Impossible d'installer le modèle make.conf dans %s";
    map["err_sysrelease"] = "Impossible de déterminer la release de votre système d'exploitation.";
    map["err_sysrelease2"] = "Impossible de déterminer la release de votre système d'exploitation.";
    map["err_sysarch"] = "Impossible de déterminer l'architecture de votre système.";
    map["err_pktools_tmpl"] =
        "Impossible de créer le fichier de configuration pkgtools :\n"
        "impossible d'ouvrir le modèle %s.";
    map["err_pkgtools_wrt"] =
        "Impossible de créer le fichier de configuration pkgtools :\n"
        "impossible d'écrire dans le fichier %s.";
    map["err_pkg_tools_mlt"] =
        "Impossible de créer le fichier de configuration pkgtools :\n"
        "le modèle %s contient plusieurs substitutions.";
    map["err_pktools_nosubst"] =
        "Impossible de créer le fichier de configuration pkgtools :\n"
        "le modèle %s ne contient aucune substitution.";
    map["err_pim_install"] =
        "Impossible de copier le fichier tarnix.install.mk dans le répertoire de destination %s.";
    map["err_cvsuping"] = "Impossible de mettre à jour les ports du système avec l'utilitaire cvsup :";
    map["err_make_idx"] = "Impossible de créer le fichier d'index des ports.";
    map["err_portopt_get"] = "Impossible d'obtenir les valeurs par défaut des options du port %s";
    map["err_port_idx"] = "Impossible d'ajouter la description des ports du produit à l'index des ports :";
    map["err_pupgr_port_old"] =
        "La collection de ports présente sur votre système est obsolète.\n"
        "Elle fournit l'utilitaire portupgrade en version %s ; or la version %s ou une version ultérieure est requise pour installer le produit.";
    map["err_sysports_install"] = "Impossible d'installer la collection de ports du système :";
    map["err_prodports_install"] = "Impossible d'installer les ports du produit :";
    map["err_ports_no_template"] = "Le modèle de fichier de configuration %s est introuvable.";
    map["err_self_upgrade_no_md5sum"] =
        "Impossible de télécharger la somme MD5 du nouveau binaire de Corvane Installer.";
    map["err_selfupg_avail_ver_too_low"] =
        "La version %s téléchargée ne convient pas à l'installation du produit que vous avez sélectionné.";
    map["err_unable_to_satisfy_version"] =
        "La version requise '%s' est introuvable sur le serveur.\n"
        "Cela peut provenir d'une erreur de configuration du site de téléchargement.";
    map["err_self_upgrade_failed"] =
        "Impossible d'obtenir la dernière version du programme d'installation des Produits Corvane : ";
}
