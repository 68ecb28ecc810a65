#include "../common/Messages.h"

// Spanish error group: error and setting texts ("err_" and "param_" keys). Keys it lacks
// keep their English text: err_addrepo_zypper and err_incompatible_products have none.
void Messages::messages_rep::loadErrorsEs() {
    map["err_unkn_option"] = "Ha indicado una opción desconocida.";
    map["err_unkn_arg"] =
        "Error de análisis de la línea de comandos: No deben haber más argumentos después de las opciones.\n"
        "Tras la última opción, se han encontrado los siguientes argumentos:\n";
    map["err_cmd_override"] =
        "Ha indicado una combinación de opciones incorrecta.\n"
        "Las opciones %s y %s no pueden usarse juntas.\n"
        "Consulte la página de ayuda del instalador para obtener más información (ejecute el Instalador de Productos Corvane con la opción --help).";
    map["err_comp_sel"] =
        "Ha indicado opciones que no pueden usarse juntas: --install-everything y --install-component.\n"
        "Decida si desea instalar todos los componentes o sólo los seleccionados, y utilice la opción correspondiente.";
    map["err_relid_relready"] = "Ya ha indicado la versión de la release.";
    map["err_no_command"] =
        "No ha indicado ninguna opción de comando.\n"
        "Para ver una lista de las opciones de comando, ejecute el Instalador de Productos Corvane con la opción --help.";
    map["err_bool_val"] =
        "Ha indicado un valor '%s' incorrecto para el parámetro '%s'.\n"
        "Con este parámetro sólo puede usar los valores 'yes' o 'no'.";
    map["err_rcfile_open"] = "No se puede leer el archivo de configuración del instalador %s.";
    map["err_rc_syntax"] = "Error de sintaxis en el archivo de configuración del Instalador de Productos Corvane:";
    map["err_rc_param"] = "Parámetro desconocido en archivo rc: ";
    map["err_rc_line"] =
        "'%s'\n"
        "Todas las líneas deben tener el formato 'parameter_name=parameter_value'.";
    map["err_rc_eqsign"] =
        "'%s'.\n"
        "Falta un signo igual (=).\n"
        "Todas las líneas deben tener el formato 'parameter_name=parameter_value'.";
    map["err_rc_value"] =
        "'%s' - falta el valor del parámetro.\n"
        "Todas las líneas deben tener el formato 'parameter_name=parameter_value'.";
    map["err_noquote_closed"] = "No se ha encontrado la comilla de cierre.";
    map["err_csv_no_quote"] =
        "Lista separada por comas incorrecta.\n"
        "Si indica valores que contienen espacios en blanco,\n"
        "escriba cada valor entre comillas dobles.";
    map["err_spsepval"] =
        "Hay un error de sintaxis en la línea '%s':\n"
        "debe separar los valores con espacios en blanco.";
    map["err_malfrm_src"] = "Ha indicado una fuente adicional de forma incorrecta.";
    map["err_bad_src_nargs"] = "Debe indicar tres o cinco parámetros.";
    map["err_src_args"] = "Especificación incorrecta de una fuente adicional: '%s'";
    map["err_src_priority"] =
        "Ha indicado una fuente adicional con la opción --add-source de forma incorrecta:\n"
        "debe indicar una prioridad entre 1 y 999.";
    map["err_src_xmlblist"] = "No puede usar las opciones --enable-xml-output y --show-os-list a la vez.";
    map["err_holdpkgs_list"] =
        "Se han indicado valores incorrectos para el parámetro HOLD_PACKAGES en el archivo de configuración del instalador.";
    map["err_instpkg_list"] = "Ha indicado un argumento incorrecto para la opción --install-package.";
    map["err_no_package"] = "No se ha encontrado el paquete %s que ha seleccionado.";
    map["err_mirr_src"] = "Sólo se puede crear un mirror a partir de una fuente de red, no de una ruta local.";
    map["err_mirror_order"] =
        "Ha indicado las opciones en un orden incorrecto.\n"
        "Indique primero la versión de la release con la opción --select-release-id y, después, las builds que desea descargar con la opción --mirror-os.";
    map["err_build_notfound"] =
        "Ha indicado una build del producto que no está disponible.\n"
        "Indique otra build utilizando la opción --mirror-os.";
    map["err_kern_inst"] =
        "Para instalar esta versión del producto, el instalador debe poder instalar el paquete del kernel.\n"
        "Para ello, reinicie la instalación ejecutando el instalador con la opción --allow-kernel-install.";
    map["err_no_pkg_local_src"] =
        "La instalación desde una fuente local no es compatible con este sistema operativo.";
    map["err_ssl_strong_recomended"] =
        "Advertencia: Le recomendamos que se conecte al asistente de instalación\n"
        "web a través de una conexión segura para evitar que terceros intercepten\n"
        "su contraseña de administrador. Para ello, ejecute\n"
        "el comando installer_file_name --web-interface --ssl-cert\n"
        "/root/my_server_cert.pem, donde /root/my_server_cert.pem es la ruta\n"
        "del archivo del certificado SSL que utilizará para proteger las conexiones\n"
        "con el Panel. Debe ser un certificado SSL válido adquirido\n"
        "a una autoridad de certificación o bien un certificado SSL autofirmado.\n"
        "Si entiende los riesgos de seguridad y no desea usar una conexión\n"
        "segura, ejecute el comando installer_file_name --web-interface --without-ssl.\n";
    map["err_user_lost"] = "Ha finalizado su sesión pulsando Ctrl + D.";
    map["err_not_float_number"] = "Indique un número decimal, por ejemplo 1.5";
    map["err_not_email"] = "Indique una dirección de correo electrónico con el formato user@example.com";
    map["err_not_domain"] = "Indique un nombre de dominio con el formato host.example.com";
    map["err_not_hostname"] = "Indique un nombre de dominio (como example.com) o una dirección IP";
    map["err_not_url"] = "Indique una URL con el formato protocolo://ruta";
    map["err_passwds_missmatch"] = "Las contraseñas indicadas no coinciden";
    map["err_undef_wmode"] = "Error interno en main, línea 348: modo de funcionamiento desconocido.";
    map["err_unkn_pkgsys"] = "Error interno en main, línea 144: sistema de paquetes desconocido.";
    map["err_no_debpartver"] = "Se ha producido un error interno en DebVersion, línea &lt;número de línea&gt;";
    map["err_bad_semnum"] = "Se ha producido un error al intentar bloquear un archivo. Error en Lock, línea ..";
    map["err_basepkg_noread"] = "Error interno: la clase Package no admite el método readInfo()";
    map["err_unkn_pkgtype"] =
        "Error interno en Installer, línea 412: tipo desconocido del primer paquete del grupo de instalación.";
    map["err_no_cm"] = "Error interno en SourceSysStd, línea 57: falta el objeto ComponentManager.";
    map["err_deb_initobj"] = "Error interno: tipo de configurador del sistema incompatible.";
    map["err_sysconf_init"] = "Error interno: las funciones se han llamado en un orden incorrecto.";
    map["err_component_not_resolved"] =
        "Error interno en ComponentManager, línea 233: no se ha resuelto el componente.";
    map["err_bad_match_arg"] =
        "Error interno en Regexp, línea 118: la función match() ha recibido un argumento nulo en lugar de una cadena de texto.";
    map["err_bad_subexpr"] =
        "Error al llamar a la función getNumSubexpr: esta función sólo acepta expresiones regulares que contengan subexpresiones.";
    map["err_bad_subexpr2"] =
        "Error al llamar a la función matchSub: esta función sólo acepta expresiones regulares que contengan subexpresiones.";
    map["err_bad_submatch"] =
        "Error al llamar a la función getMatch: esta función sólo acepta expresiones regulares que admitan subcoincidencias.";
    map["err_badmatch"] =
        "Error al llamar a la función getMatch: esta función no admite subexpresiones. Para las subexpresiones se debe usar la función matchSub.";
    map["err_empty_version"] = "No se ha indicado la versión. Error en Version, línea 91.";
    map["err_unkn_comp_status"] = "se ha asignado un código desconocido al componente del producto.";
    map["err_exec_pipefail"] = "No se han podido crear las tuberías para la comunicación interna entre procesos.";
    map["err_exec_forkfail"] = "Error al ejecutar un comando externo: la operación fork ha fallado.";
    map["err_exec_systemfail"] = "Error al ejecutar un comando externo: la operación system() ha fallado.";
    map["err_exec_pipenoblock"] =
        "Error al leer la salida del proceso ejecutado: no se puede poner la tubería en modo no bloqueante.";
    map["err_exec_pipenoread"] = "No se ha podido leer la salida del proceso ejecutado:";
    map["err_exec_signal"] =
        "El proceso ejecutado ha terminado debido a una señal no controlada recibida del sistema.";
    map["err_exec_cmd_not_found"] = "No se ha podido ejecutar un comando externo %s: comando no encontrado";
    map["err_empty_output"] = "No se han recibido datos de la utilidad %s.";
    map["err_util_exec"] = "Se ha producido un error durante la ejecución de la utilidad %s.";
    map["err_lock_get"] = "Error al bloquear el archivo &lt;file name&gt; debido a un error de sistema.";
    map["err_lock_locked"] = "El Instalador de Productos Corvane ya se está ejecutando.";
    map["err_lock_file"] = "Error al bloquear el archivo %s debido a un error de sistema: %s";
    map["err_lock_shutdown"] = "No se puede desbloquear el archivo %s";
    map["err_lock_failed"] = "No se puede bloquear el archivo %s: %s";
    map["err_unlock_failed"] = "No se puede desbloquear el archivo %s: %s";
    map["err_lock_test"] = "No se puede comprobar si el archivo %s está bloqueado: %s";
    map["err_chk_exclusive"] =
        "No se ha podido comprobar si el Instalador de Productos Corvane ya se está ejecutando.";
    map["err_date_get"] = "No se han podido obtener la fecha y la hora actuales.";
    map["err_timezone_not_configured"] =
        "No hay ningún archivo /etc/localtime en el sistema.\n"
        "Ejecute tzsetup como root para configurar su zona horaria";
    map["err_non_digit"] = "Formato de número no válido.";
    map["err_vendor_define"] = "No se ha podido determinar el proveedor de su sistema operativo.";
    map["err_opsys_define"] =
        "Esta versión del Instalador de Productos Corvane no es compatible con su sistema operativo.";
    map["err_define_osversion"] = "No se ha podido obtener la versión de su sistema operativo del archivo %s";
    map["err_define_os_unameversion"] = "No se ha podido determinar la versión de su sistema operativo.";
    map["err_define_osarch"] = "No se ha podido determinar el tipo de arquitectura del sistema:";
    map["err_bad_regexp"] = "No se puede compilar la expresión regular '%s': %s";
    map["err_regexp_nomem"] =
        "Durante la búsqueda con una expresión regular, el sistema se ha quedado sin memoria.";
    map["err_regexp_nomem2"] =
        "Al realizar una búsqueda con una expresión regular, el sistema se ha quedado sin memoria.";
    map["err_mkdir"] = "No se ha podido crear el directorio %s: %s";
    map["err_rmfile1"] = "No se puede eliminar el archivo %s porque %s es un directorio.";
    map["err_rmfile2"] = "No se puede eliminar el archivo %s: %s";
    map["err_rmdir"] = "No se puede eliminar el directorio %s: %s";
    map["err_rename"] = "No se ha podido cambiar el nombre del archivo %s a %s: %s";
    map["err_copy1"] = "No se puede copiar el archivo %s porque dicho archivo no existe.";
    map["err_copy2"] = "No se puede copiar el archivo %s porque en su lugar hay un directorio %s y no el archivo.";
    map["err_copy3"] = "No se puede copiar el archivo %s en %s porque ya existe un archivo con ese nombre.";
    map["err_opendir"] = "No se ha podido abrir el directorio %s: %s.";
    map["err_fileread1"] = "No se ha podido abrir el archivo %s: %s.";
    map["err_filewrite1"] = "No se ha podido abrir el archivo %s para escritura: %s.";
    map["err_fileread2"] = "No se ha podido leer el archivo %s: %s.";
    map["err_filewrite2"] = "No se ha podido escribir en el archivo %s: %s.";
    map["err_file_create"] = "No se puede crear el archivo %s";
    map["err_open_missingdir"] = "No se ha encontrado el directorio %s.";
    map["err_misfile"] = "No se ha encontrado el archivo %s.";
    map["err_download_mkdir"] = "No se puede crear el directorio %s.";
    map["err_bad_component"] = "No ha indicado el nombre del componente en la descripción de un componente.";
    map["err_bad_pkgtag"] = "Hay un error en el archivo de configuración del Instalador de Productos Corvane.";
    map["err_cache_pkgvers"] = "Falta el número de versión en la descripción del paquete.";
    map["err_cache_semicolon"] =
        "Entrada incorrecta en la descripción del paquete: el segundo carácter no es un signo de dos puntos.";
    map["err_cache_shortline"] =
        "Descripción de paquete incorrecta:\n"
        "una de las líneas es demasiado corta para ser una descripción.";
    map["err_cache_multitag"] = "Entradas duplicadas en la descripción del paquete.";
    map["err_cache_descend"] = "Descripción de paquete incorrecta.";
    map["err_cache_unexpend"] = "El archivo está incompleto";
    map["err_std_fn_not_match_re"] = "Nombre de archivo de paquete incorrecto: %s.";
    map["err_empty_comp"] = "No hay paquetes en el componente %s.";
    map["err_pkgread"] = "No se ha podido leer el archivo del paquete %s.";
    map["err_rpm_read_config"] = "No se ha podido inicializar la biblioteca RPM.";
    map["err_rpmdb_open"] = "No se ha podido abrir la base de datos RPM.";
    map["err_deb_info_brief"] =
        "No se puede obtener la información de los paquetes instalados en el sistema:\n"
        "no se ha podido leer la salida de la utilidad dpkg-query.";
    map["err_deb_info_apt_cache"] = "No se ha podido obtener la información del paquete %s del repositorio apt.";
    map["err_pkg_info_brief"] =
        "No se puede obtener la información de los paquetes instalados en el sistema:\n"
        "no se ha podido ejecutar la utilidad pkg_info.";
    map["err_rpm_info_brief"] =
        "No se puede obtener la información de los paquetes instalados en el sistema:\n"
        "no se ha podido leer la salida de la utilidad rpm.";
    map["err_rpm_info_full"] =
        "No se puede obtener la información detallada de los paquetes instalados en el sistema:";
    map["err_rpm_info_full_read"] =
        "No se puede obtener la información detallada de los paquetes instalados en el sistema:\n"
        "no se ha podido abrir la salida de la utilidad rpm.";
    map["err_rpm_info_full_read_done"] =
        "No se puede obtener la información detallada de los paquetes instalados en el sistema:\n"
        "no se ha podido leer la salida de la utilidad rpm.";
    map["err_msi_info_brief"] =
        "No se puede obtener la información de los paquetes instalados en el sistema:\n"
        "no se ha podido obtener la lista de productos instalados.";
    map["err_syscache_open"] = "No se ha podido abrir el archivo %s.";
    map["err_syscache_read"] = "No se ha podido leer la descripción de los paquetes del archivo %s.";
    map["err_prodpkg_read"] = "No se ha podido leer la lista de paquetes del producto.";
    map["err_bad_prodverfile"] = "Error en el archivo de descripción del producto %s.";
    map["err_ungzip_repodata_primary"] = "No se puede descomprimir el archivo %s:";
    map["err_repodata_badnumber"] = "Formato de número no válido en el archivo %s,  %s.";
    map["err_ungzip_repodata_filelist"] = "No se puede descomprimir el archivo %s:";
    map["err_repodata_sync"] =
        "Los archivos de configuración de repodata %s y %s contienen listas de paquetes que no coinciden.";
    map["err_repodata_sync2"] =
        "Los archivos de configuración de repodata %s y %s contienen listas de paquetes que no coinciden.";
    map["err_repodata_depname"] =
        "Error en el repositorio repodata '%s'.\n"
        "Falta el nombre de una dependencia.";
    map["err_repodata_badcond"] =
        "Error en el repositorio repodata '%s': condición desconocida '%s' en la descripción de la dependencia.";
    map["err_curl_init"] = "No se ha podido inicializar la biblioteca de descargas.";
    map["err_srcs_empty"] = "No se pueden obtener los paquetes porque no ha indicado desde dónde descargarlos.";
    map["err_curl_setup"] = "No se ha podido configurar la biblioteca de descargas.";
    map["err_pkg_dwnld"] =
        "No se ha podido descargar el paquete %s:\n"
        "%s";
    map["err_mk5check"] =
        "La suma de comprobación MD5 del archivo %s no coincide con el valor indicado en el archivo de configuración.";
    map["err_md5_pre"] = "No se ha podido calcular la suma de comprobación MD5 del archivo %s.";
    map["err_no_space"] =
        "Para descargar los archivos del servidor se necesita más espacio libre en disco del que hay en el directorio %s.\n"
        "Debe liberar algo de espacio en disco.";
    map["err_no_space2"] =
        "No se ha podido descargar el archivo, probablemente porque no dispone de suficiente espacio en disco.\n";
    map["err_mirror_distfiles"] = "No se ha podido descargar el índice de distfiles.";
    map["err_inf3_parse"] =
        "Error de sintaxis en el archivo %s:\n"
        "%s";
    map["err_inf3_root"] = "No se ha encontrado ningún elemento raíz XML en el archivo %s";
    map["err_inf3_nonprod"] =
        "Error de sintaxis en el archivo %s:\n"
        "el nombre del elemento raíz es incorrecto.";
    map["err_inf3_noid"] = "No se ha encontrado el atributo 'id' del elemento raíz en el archivo %s";
    map["err_prod_keypkg"] = "No se ha encontrado la lista de paquetes clave del producto en el archivo %s";
    map["err_inf3_norel"] = "No hay ninguna lista de versiones de release del producto en el archivo %s";
    map["err_inf3_relid"] =
        "No se ha encontrado el atributo 'id' de la versión de release en el archivo %s, en %s";
    map["err_inf3_relname"] =
        "No se ha encontrado el atributo 'name' de la versión de release en el archivo %s, en %s";
    map["err_inf3_relver"] =
        "No se ha encontrado el atributo 'version' de la versión de release en el archivo %s, en %s";
    map["err_inf3_upgalw"] =
        "No se ha encontrado el atributo 'upgrade_allowed_from' de la versión de release en el archivo %s, en %s";
    map["err_inf3_vndr"] = "No se ha encontrado el atributo de build 'os_vendor' en el archivo %s, en %s";
    map["err_inf3_osname"] = "No se ha encontrado el atributo de build 'os_name' en el archivo %s, en %s";
    map["err_inf3_osver"] = "No se ha encontrado el atributo de build 'os_version' en el archivo %s, en %s";
    map["err_inf3_osarch"] = "No se ha encontrado el atributo de build 'os_arch' en el archivo %s en %s";
    map["err_inf3_bcfg"] = "No se ha encontrado el atributo de build 'config' en el archivo %s, en %s";
    map["err_missing_attr"] = "No se ha encontrado el atributo %s.";
    map["err_inf_fname"] = "El atributo de build 'config' está vacío.";
    map["err_config_parse"] =
        "Error de sintaxis en el archivo %s:\n"
        "%s";
    map["err_binf3_build"] = "El nombre del elemento raíz es incorrecto en el archivo %s";
    map["err_ports_file"] = "No se ha encontrado la lista de archivos de ports en el archivo %s";
    map["err_binf3_comps"] = "No se ha encontrado la lista de componentes del producto en el archivo %s";
    map["err_binf3_compkey"] = "La lista de paquetes clave del componente %s está vacía.";
    map["err_binf3_nocomps2"] = "La lista de componentes del producto está vacía.";
    map["err_bad_keypackages"] =
        "No se ha podido compilar una lista de paquetes clave del componente del producto '%s'.";
    map["err_misheaders"] =
        "Los archivos de configuración %s y %s del Instalador de Productos Corvane contienen listas de paquetes que no coinciden.";
    map["err_mispkg"] =
        "No se ha encontrado el paquete %s en ninguno de los repositorios de paquetes, por lo que no se puede instalar.";
    map["err_build_incomp"] =
        "La versión de la build que ha intentado instalar no es adecuada para su sistema operativo.";
    map["err_rel_notfound"] =
        "La versión de release indicada no está en el servidor.\n"
        "Para saber qué versiones de release están disponibles, ejecute el Instalador de Productos Corvane con la opción --show-releases.";
    map["err_rel_notsuit"] =
        "No se puede instalar la versión de release indicada.\n"
        "Ya hay una versión más reciente del producto instalada en su sistema.";
    map["err_rel_notsupp"] = "La versión de release seleccionada no está disponible para su sistema operativo.";
    map["err_rel_nocurrent"] = "El producto con ID %s no está instalado en el servidor";
    map["err_comp_instalr"] = "El componente %s ya está instalado.";
    map["err_comp_notavail"] = "El componente %s no está disponible.";
    map["err_comp_required"] =
        "No se puede excluir el componente %s:\n"
        "es un componente necesario.";
    map["err_no_comps_selected"] = "No se ha seleccionado ningún componente para instalar.";
    map["err_no_diskspace"] =
        "No hay suficiente espacio en disco libre en el directorio %s. Libere %s mega bites.";
    map["param_path_not_valid"] = "La ruta indicada no es válida.";
    map["param_path_not_full"] = "La ruta indicada no es completa. Indique una ruta completa.";
    map["param_path_not_directory"] = "La ruta indicada no es un directorio.";
    map["param_path_contains_invalid_characters"] =
        "La ruta indicada contiene caracteres no admitidos. Sólo se admiten caracteres del alfabeto latino.";
    map["param_path_not_exists"] = "La ruta indicada no existe.";
    map["param_password_too_short"] =
        "La contraseña especificada es demasiado corta. La contraseña debe tener un mínimo de %s caracteres.";
    map["param_password_too_long"] =
        "La contraseña especificada es demasiado larga. La contraseña debe tener un máximo de %s caracteres.";
    map["param_password_contains_invalid_characters"] =
        "La contraseña especificada contiene símbolos no admitidos.";
    map["param_password_policy_not_valid"] = "La contraseña especificada no es válida.";
    map["param_password_policy_too_short"] =
        "La contraseña especificada es demasiado corta y no cumple los requisitos de contraseña.";
    map["param_password_policy_too_long"] =
        "La contraseña especificada es demasiado larga y no cumple los requisitos de contraseña.";
    map["param_password_policy_too_simple"] =
        "La contraseña especificada es demasiado simple y no cumple los requisitos de contraseña.";
    map["param_password_validation_failed"] =
        "No se ha podido validar la contraseña especificada por un motivo desconocido.";
    map["err_deps_nochance"] =
        "No se pueden instalar los componentes seleccionados debido a problemas de dependencias de paquetes.";
    map["err_bad_deps"] =
        "No se pueden instalar los componentes seleccionados debido a problemas de dependencias de paquetes.";
    map["err_deps_badpkg"] =
        "No se puede continuar con la instalación hasta que se elimine el paquete %s del sistema.";
    map["err_deps_resolve_build"] = "No se puede instalar el paquete \"%s\".";
    map["err_deps_install_build"] =
        "No se ha podido resolver la dependencia \"%s\" requerida\n"
        " por el paquete \"%s\".";
    map["err_prep_group"] =
        "No se pueden instalar los paquetes solicitados porque hay problemas de dependencias de paquetes.";
    map["err_rpmtrans_check"] =
        "Error al instalar los paquetes:\n"
        "el Instalador de Productos Corvane no ha podido resolver las dependencias de los paquetes.";
    map["err_no_apt"] = "No se ha encontrado la utilidad 'apt' en el sistema.";
    map["err_debinstall"] = "Se ha producido un error al intentar instalar los paquetes.";
    map["err_deb_inst_exec"] = "No se ha podido ejecutar un comando de instalación de paquetes.";
    map["err_deb_options"] = "No se pueden pasar las opciones de instalación predeterminadas a los paquetes.";
    map["err_debconf_exec"] =
        "No se puede ejecutar debconf para pasar las opciones de instalación predeterminadas a los paquetes.";
    map["err_rmhold"] = "No se puede eliminar el paquete %s porque ha indicado al sistema que no lo haga.";
    map["err_downgrade"] =
        "Tiene instalada en su sistema una versión más reciente del paquete %s.\n"
        "La instalación no continuará.\n"
        " \n"
        "Parece que ha instalado los paquetes más recientes del sitio del proveedor de su\n"
        "sistema operativo. Para instalar correctamente los paquetes del producto, debe dirigir \n"
        "el Instalador de Productos Corvane al repositorio de paquetes del proveedor. Para ello, cree un archivo\n"
        "de texto con el nombre .vantrellrc en el directorio /root/ del servidor y añada\n"
        "la siguiente línea al archivo:\n"
        " \n"
        "ADDITIONAL_SOURCE=\"<type>, <priority>, <url>, <username>, <password>\"\n"
        " \n"
        "donde debe sustituir <type> por el valor \"repomd\", <priority> por un número del\n"
        "1 al 999 (999 es la prioridad más alta) y <url> por la URL de la fuente de\n"
        "actualizaciones del proveedor. Los valores <username> y <password> sólo son necesarios\n"
        "si el sitio del proveedor requiere autenticación. Guarde el archivo y\n"
        "salga del editor de texto. A continuación, vuelva a ejecutar el Instalador de Productos Corvane.";
    map["err_hold_replace"] = "No se puede sustituir el paquete %s porque ha indicado al sistema que no lo haga.";
    map["err_kernel_depsproblem"] = "No se puede instalar el paquete del kernel.";
    map["err_inst_rpms_cmd"] = "Se ha producido un error durante la instalación de los paquetes.";
    map["err_inst_rpms_cmd_exec"] = "No se ha podido ejecutar un comando de instalación de paquetes.";
    map["err_inst_msh"] = "No se puede instalar un paquete basado en shell debido a una dependencia circular.";
    map["err_inst_shpkg"] = "Se ha producido un error durante la instalación del paquete %s.";
    map["err_exec_shpkg"] = "No se ha podido ejecutar un comando de instalación de paquetes.";
    map["err_rpmtrans_pipe"] =
        "No se puede ejecutar una transacción RPM.\n"
        "No se ha podido crear una tubería: %s";
    map["err_rpmtrans_fork"] =
        "No se puede ejecutar una transacción RPM.\n"
        "La operación fork ha fallado: %s";
    map["err_rpmtrans_noblock"] =
        "No se puede ejecutar una transacción RPM.\n"
        "No se ha podido poner una tubería en modo no bloqueante:\n"
        "%s";
    map["err_rpmtrans_read"] =
        "Se ha producido un error durante la ejecución de una transacción RPM:\n"
        "no se ha podido leer de una tubería.";
    map["err_rpmtrans_sig"] =
        "Se ha producido un error durante la ejecución de una transacción RPM:\n"
        "se ha recibido del sistema una señal no controlada.";
    map["err_rpmtrans_failed"] = "Se ha producido un error durante la instalación de los paquetes.";
    map["err_pkgopen"] = "No se puede instalar el paquete %s porque no se ha podido abrir el archivo del paquete.";
    map["err_pkgread_rpmts"] =
        "No se puede instalar el paquete %s porque no se ha podido leer la cabecera del paquete.";
    map["err_pkg_instadd"] =
        "No se puede instalar el paquete %s porque no se ha podido añadir a la transacción RPM.";
    map["err_rpmtrans_err"] = "Se ha producido un error durante la instalación de los paquetes.";
    map["err_pkginst_up2date"] = "La utilidad up2date no ha podido instalar los paquetes necesarios.";
    map["err_pkginst_up2date_exec"] = "No se ha podido ejecutar la utilidad up2date.";
    map["err_pkginst_yum"] = "La utilidad Yum no ha podido instalar los paquetes necesarios.";
    map["err_pkginst_yum_exec"] = "No se ha podido ejecutar la utilidad Yum.";
    map["err_pkginst_zypper"] = "La utilidad Zypper no ha podido instalar los paquetes necesarios.";
    map["err_pkginst_zypper_exec"] = "No se ha podido ejecutar la utilidad Zypper.";
    map["err_installation_stopped"] = "La instalación no continuará";
    map["err_port_inst"] = "Se han producido errores durante la instalación de un paquete del port %s.";
    map["err_port_inst_exec"] = "No se ha podido ejecutar el comando de instalación de un paquete del port %s.";
    map["err_prep_actions_failed"] =
        "Se ha producido un error al realizar las acciones PREP de la instalación (consulte el registro para obtener más información). Se ha revertido la instalación.";
    map["err_post_actions_failed"] =
        "Se ha producido un error al realizar las acciones POST de la instalación (consulte el registro para obtener más información).";
    map["err_show_pkglist"] = "No se ha podido mostrar la lista de paquetes.";
    map["err_srclist_restore"] = "No se puede restaurar el archivo %s a partir de una copia de seguridad:";
    map["err_srclist_backup"] = "No se ha podido hacer una copia de seguridad del archivo %s:";
    map["err_aptget_update_exec"] = "No se ha podido actualizar la caché de apt.";
    map["err_up2date_configure_failed"] = "No se ha podido configurar la utilidad up2date.";
    map["err_yum_not_found"] = "La utilidad Yum no está instalada en su sistema.";
    map["err_yum_version_unsupported"] =
        "Se ha detectado una versión de Yum no compatible (se necesita como mínimo la 3.2.22).\n"
        "La instalación no continuará.\n"
        "Instale las actualizaciones más recientes en su sistema y vuelva a intentarlo.";
    map["err_zypper_not_found"] = "La utilidad Zypper no está instalada en su sistema.";
    map["err_zypper_version_unsupported"] =
        "Se ha detectado una versión de Zypper no compatible (se necesita como mínimo la 0.11.6).\n"
        "La instalación no continuará";
    map["err_bxag_emptydta"] = "Respuesta incorrecta de BXAgent.";
    map["err_bxag_error"] = "BXAgent no ha podido procesar una petición.";
    map["err_bxag_emptysys"] = "Respuesta incorrecta de BXAgent.";
    map["err_bxag_sendrq"] = "Error al enviar una petición a BXAgent: %s.";
    map["err_bxag_recvans"] = "Error al recibir una respuesta de BXAgent: %s.";
    map["err_bxag_parseans"] = "Respuesta incorrecta de BXAgent.";
    map["err_bxag_badans"] = "Respuesta incorrecta de BXAgent.";
    map["err_bxag_unknans"] = "Respuesta incorrecta de BXAgent.";
    map["err_get_port_version"] =
        "No se puede obtener la versión del port del directorio %s.\n"
        "No se ha encontrado el directorio.";
    map["err_port_makefile"] = "No se ha encontrado el Makefile en el port %s";
    map["err_pkg_readinfo"] =
        "No se puede leer una descripción del port %s: fin inesperado de la salida de datos.";
    map["err_open_port_makefile"] = "No se puede abrir %s";
    map["err_port_mk_options"] = "No se puede escribir el archivo de opciones del port %s:";
    map["err_port_mk_options_file"] = "No se puede crear el archivo de opciones %s";
    map["err_port_bad_option"] = "Valor de opción inesperado: %s";
    map["err_options_write"] = "Se ha producido un error al escribir en el archivo de opciones %s";
    map["err_pupgr_no_port"] = "No se ha encontrado el port de la utilidad portupgrade.";
    map["err_no_portbal"] = "No se ha encontrado el archivo %s.";
    map["err_empty_portbal"] = "El archivo %s está vacío.";
    map["err_bad_ports_url"] =
        "La URL del archivo comprimido de ports que ha indicado es incorrecta o está incompleta.\n"
        "La URL debe tener la forma \"ftp://ftp.mirror.example.org/pub/FreeBSD/ports/ports.tar.gz\".";
    map["err_tmp_portsdir"] =
        "No se ha podido crear un directorio temporal para extraer el archivo comprimido de ports";
    map["err_unpack_ports"] = "No se ha podido extraer el archivo comprimido de ports %s:";
    map["err_unpack_noports"] = "El archivo comprimido de ports %s no contiene el directorio 'ports'.";
    map["err_ports_makefile"] =
        "No se encuentra el archivo %s/Makefile en el archivo comprimido de ports extraído.";
    map["err_cvsup_create"] =
        "No se ha podido crear el archivo de configuración de cvsup %s a partir de la plantilla %s:";
    map["err_backup_mkconf"] = "No se ha podido hacer una copia de seguridad del archivo /etc/make.conf.";
    map["err_mkconf_tune"] = "No se puede modificar el archivo /etc/make.conf.";
    map["err_mkconf_tmpl_inst"] = "No se puede instalar la plantilla make.conf en %s";
    map["err_sysrelease"] = "No se ha podido determinar la release de su sistema operativo.";
    map["err_sysrelease2"] = "No se ha podido determinar la release de su sistema operativo.";
    map["err_sysarch"] = "No se ha podido determinar la arquitectura de su sistema.";
    map["err_pktools_tmpl"] =
        "No se ha podido crear el archivo de configuración de pkgtools:\n"
        "no se puede abrir la plantilla %s.";
    map["err_pkgtools_wrt"] =
        "No se ha podido crear el archivo de configuración de pkgtools:\n"
        "no se puede escribir en el archivo %s.";
    map["err_pkg_tools_mlt"] =
        "No se ha podido crear el archivo de configuración de pkgtools:\n"
        "la plantilla %s contiene varias sustituciones.";
    map["err_pktools_nosubst"] =
        "No se ha podido crear el archivo de configuración de pkgtools:\n"
        "la plantilla %s no contiene ninguna sustitución.";
    map["err_pim_install"] = "No se puede copiar el archivo tarnix.install.mk en el directorio de destino %s.";
    map["err_cvsuping"] = "No se pueden actualizar los ports del sistema con la utilidad cvsup:";
    map["err_make_idx"] = "No se ha podido crear el archivo de índice de ports.";
    map["err_portopt_get"] = "No se han podido obtener los valores predeterminados de las opciones del port %s";
    map["err_port_idx"] = "No se ha podido añadir la descripción de los ports del producto al índice de ports:";
    map["err_pupgr_port_old"] =
        "La colección de ports de su sistema está obsoleta.\n"
        "Incluye la versión %s de la utilidad portupgrade; sin embargo, para instalar el producto se necesita la versión %s o posterior.";
    map["err_sysports_install"] = "No se ha podido instalar la colección de ports del sistema:";
    map["err_prodports_install"] = "No se han podido instalar los ports del producto:";
    map["err_ports_no_template"] = "No se encuentra la plantilla del archivo de configuración %s.";
    map["err_self_upgrade_no_md5sum"] =
        "No se puede descargar la suma MD5 del nuevo binario de Corvane Installer.";
    map["err_selfupg_avail_ver_too_low"] =
        "La versión %s descargada no es adecuada para instalar el producto que ha seleccionado.";
    map["err_unable_to_satisfy_version"] =
        "No se ha encontrado la versión requerida '%s' en el servidor.\n"
        "Esto puede deberse a un error de configuración en el sitio de descarga.";
    map["err_self_upgrade_failed"] =
        "No se puede obtener la versión más reciente del Instalador de Productos Corvane: ";
}
