<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Main</name>
    <message>
        <source>Tavik</source>
        <translation>Tavik</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Seats</source>
        <translation>Fauteuils</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothèque</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>Réseau</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>Page tabs</source>
        <translation>Onglets des pages</translation>
    </message>
    <message>
        <source>Shortcut: %1</source>
        <translation>Raccourci : %1</translation>
    </message>
</context>
<context>
    <name>PageMotionController</name>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Version Info</source>
        <translation>Versions</translation>
    </message>
    <message>
        <source>App Version:</source>
        <translation>Version de l&apos;application :</translation>
    </message>
    <message>
        <source>VYRA:</source>
        <translation>VYRA :</translation>
    </message>
    <message>
        <source>VYRA Software Version:</source>
        <translation>Version du logiciel VYRA :</translation>
    </message>
    <message>
        <source>Last Motion Code Update:</source>
        <translation>Dernière mise à jour des codes de mouvement :</translation>
    </message>
    <message>
        <source>Show startup info dialog</source>
        <translation>Afficher les informations au démarrage</translation>
    </message>
    <message>
        <source>Advanced Controls</source>
        <translation>Réglages avancés</translation>
    </message>
    <message>
        <source>Motion Delay: %1 ms</source>
        <translation>Délai du mouvement : %1 ms</translation>
    </message>
    <message>
        <source>Recognition Tolerance: %1 s</source>
        <translation>Tolérance reconnaissance : %1 s</translation>
    </message>
    <message>
        <source>Reset to Defaults</source>
        <translation>Valeurs par défaut</translation>
    </message>
    <message>
        <source>Now Playing</source>
        <translation>En cours de lecture</translation>
    </message>
    <message>
        <source>Not encrypted: Wi-Fi keys and sign-in are not sent to this unit</source>
        <translation>Non chiffré : les clés Wi-Fi et la connexion ne sont pas envoyées à cet appareil</translation>
    </message>
    <message>
        <source>Not connected: this VYRA&apos;s key has changed. It may have been reset, or another device is answering in its name.</source>
        <translation>Non connecté : la clé de ce VYRA a changé. Il a peut-être été réinitialisé, ou un autre appareil répond à sa place.</translation>
    </message>
    <message>
        <source>Remembered key: %1</source>
        <translation>Clé mémorisée : %1</translation>
    </message>
    <message>
        <source>Offered key: %1</source>
        <translation>Clé proposée : %1</translation>
    </message>
    <message>
        <source>Accept the New Key...</source>
        <translation>Accepter la nouvelle clé...</translation>
    </message>
    <message>
        <source>Accept the new key?</source>
        <translation>Accepter la nouvelle clé ?</translation>
    </message>
    <message>
        <source>Accept it only if you know this VYRA was reset or replaced, and its key fingerprint reads %1. Otherwise stay disconnected.</source>
        <translation>Acceptez-la seulement si vous savez que ce VYRA a été réinitialisé ou remplacé et que l&apos;empreinte de sa clé est %1. Sinon, restez déconnecté.</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Accepter</translation>
    </message>
    <message>
        <source>Stay Disconnected</source>
        <translation>Rester déconnecté</translation>
    </message>
    <message>
        <source>VYRA unit: %1</source>
        <translation>Boîtier VYRA : %1</translation>
    </message>
    <message>
        <source>The VYRA this program controls</source>
        <translation>Le VYRA que ce programme commande</translation>
    </message>
    <message>
        <source>Rename VYRA</source>
        <translation>Renommer le VYRA</translation>
    </message>
    <message>
        <source>New VYRA name</source>
        <translation>Nouveau nom du VYRA</translation>
    </message>
    <message>
        <source>Keeps the VYRA&apos;s name</source>
        <translation>Garde le nom du VYRA</translation>
    </message>
    <message>
        <source>Renames the VYRA</source>
        <translation>Renomme le VYRA</translation>
    </message>
    <message>
        <source>Motion delay in milliseconds</source>
        <translation>Délai du mouvement en millisecondes</translation>
    </message>
    <message>
        <source>Recognition tolerance in seconds</source>
        <translation>Tolérance de reconnaissance en secondes</translation>
    </message>
    <message>
        <source>Sets the motion delay and the recognition tolerance back to their defaults</source>
        <translation>Remet le délai du mouvement et la tolérance de reconnaissance à leurs valeurs par défaut</translation>
    </message>
    <message>
        <source>Poster</source>
        <translation>Affiche</translation>
    </message>
    <message>
        <source>Playback position: %1 of %2</source>
        <translation>Position de lecture : %1 sur %2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>No Poster</source>
        <translation>Pas d&apos;affiche</translation>
    </message>
    <message>
        <source>Scroll the page</source>
        <translation>Faire défiler la page</translation>
    </message>
</context>
<context>
    <name>PageMovies</name>
    <message>
        <source>Search...</source>
        <translation>Rechercher...</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Release Date</source>
        <translation>Date de sortie</translation>
    </message>
    <message>
        <source>Search the library</source>
        <translation>Rechercher dans la bibliothèque</translation>
    </message>
    <message>
        <source>Clear the search</source>
        <translation>Effacer la recherche</translation>
    </message>
    <message>
        <source>Library titles</source>
        <translation>Titres de la bibliothèque</translation>
    </message>
    <message>
        <source>Empty row</source>
        <translation>Ligne vide</translation>
    </message>
    <message>
        <source>No title matches the search.</source>
        <translation>Aucun titre ne correspond à la recherche.</translation>
    </message>
    <message>
        <source>No titles</source>
        <translation>Aucun titre</translation>
    </message>
    <message>
        <source>Scroll the library titles</source>
        <translation>Faire défiler les titres de la bibliothèque</translation>
    </message>
</context>
<context>
    <name>PageNetwork</name>
    <message>
        <source>VYRA Wi-Fi Settings</source>
        <translation>Paramètres Wi-Fi de VYRA</translation>
    </message>
    <message>
        <source>Unable to find any VYRA on the same local network as this device.</source>
        <translation>Aucun VYRA trouvé sur le réseau local de cet appareil.</translation>
    </message>
    <message>
        <source>By default, unless a network cable is connected, VYRA will act as a Wi-Fi access point. In this case, connect to Wi-Fi network whose SSID starts with &quot;%1&quot;, using security key &quot;%2&quot;.</source>
        <translation>Par défaut, si aucun câble réseau n&apos;est branché, VYRA fait office de point d&apos;accès Wi-Fi. Connectez-vous alors au réseau Wi-Fi dont le SSID commence par « %1 », avec la clé de sécurité « %2 ».</translation>
    </message>
    <message>
        <source>VYRA can either be a client that connects to the Wi-Fi network of your choice, or operate as a Wi-Fi access point.</source>
        <translation>VYRA peut soit se connecter en client au réseau Wi-Fi de votre choix, soit fonctionner en point d&apos;accès Wi-Fi.</translation>
    </message>
    <message>
        <source>Set VYRA as Wi-Fi Client (recommended)</source>
        <translation>Configurer VYRA en client Wi-Fi (recommandé)</translation>
    </message>
    <message>
        <source>Set VYRA as Wi-Fi Access Point</source>
        <translation>Configurer VYRA en point d&apos;accès Wi-Fi</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Suivant</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Select a Wi-Fi Network for VYRA to connect to.</source>
        <translation>Choisissez le réseau Wi-Fi auquel VYRA doit se connecter.</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Actualiser</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>Join</source>
        <translation>Rejoindre</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Configuring VYRA Wi-Fi...</source>
        <translation>Configuration du Wi-Fi de VYRA...</translation>
    </message>
    <message>
        <source>VYRA Wi-Fi Successfully Configured</source>
        <translation>Wi-Fi de VYRA configuré avec succès</translation>
    </message>
    <message>
        <source>VYRA Wi-Fi Configuration Failed</source>
        <translation>Échec de la configuration du Wi-Fi de VYRA</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>VYRA Network Interfaces</source>
        <translation>Interfaces réseau de VYRA</translation>
    </message>
    <message>
        <source>Interface Name:</source>
        <translation>Nom de l&apos;interface :</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>Adresse IP :</translation>
    </message>
    <message>
        <source>MAC Address:</source>
        <translation>Adresse MAC :</translation>
    </message>
    <message>
        <source>Broadcast:</source>
        <translation>Diffusion :</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>Masque de sous-réseau :</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>Passerelle :</translation>
    </message>
    <message>
        <source>Primary DNS:</source>
        <translation>DNS primaire :</translation>
    </message>
    <message>
        <source>Secondary DNS:</source>
        <translation>DNS secondaire :</translation>
    </message>
    <message>
        <source>Not Connected to any VYRA</source>
        <translation>Aucun VYRA connecté</translation>
    </message>
    <message>
        <source>Wi-Fi settings sent. VYRA is changing network and may be out of reach for a moment.</source>
        <translation>Paramètres Wi-Fi envoyés. VYRA change de réseau et peut être injoignable un moment.</translation>
    </message>
    <message>
        <source>Wi-Fi network: %1</source>
        <translation>Réseau Wi-Fi : %1</translation>
    </message>
    <message>
        <source>Asks the VYRA for the Wi-Fi networks it sees</source>
        <translation>Demande au VYRA les réseaux Wi-Fi qu&apos;il voit</translation>
    </message>
    <message>
        <source>Network interface: %1</source>
        <translation>Interface réseau : %1</translation>
    </message>
    <message>
        <source>Scroll the page</source>
        <translation>Faire défiler la page</translation>
    </message>
    <message>
        <source>Wi-Fi security key</source>
        <translation>Clé de sécurité Wi-Fi</translation>
    </message>
    <message>
        <source>The security key has 8 to 63 characters, or 64 hexadecimal digits.</source>
        <translation>La clé de sécurité compte de 8 à 63 caractères, ou 64 chiffres hexadécimaux.</translation>
    </message>
</context>
<context>
    <name>PageSeats</name>
    <message>
        <source>Scroll the page</source>
        <translation>Faire défiler la page</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Tavik</source>
        <translation>Tavik</translation>
    </message>
    <message>
        <source>An error has occured. The application must exit.</source>
        <translation>Une erreur est survenue. L&apos;application doit quitter.</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
</context>
<context>
    <name>Style</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>En attente</translation>
    </message>
    <message>
        <source>Inactive</source>
        <translation>Inactif</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>Ulmar::CrashReportBox</name>
    <message>
        <source>A crash report was saved to:
%1</source>
        <translation>Un rapport d&apos;erreur a été enregistré dans :
%1</translation>
    </message>
</context>
<context>
    <name>Ulmar::Facade</name>
    <message>
        <source>The remembered VYRA keys could not be read. The damaged file was kept as %1; each VYRA is trusted anew when next connected.</source>
        <translation>Les clés VYRA mémorisées n’ont pas pu être lues. Le fichier endommagé a été conservé sous %1 ; chaque VYRA sera de nouveau approuvé à sa prochaine connexion.</translation>
    </message>
    <message>
        <source>VYRA keys are not saved: %1 is a symbolic link. They are remembered until the program ends.</source>
        <translation>Les clés VYRA ne sont pas enregistrées : %1 est un lien symbolique. Elles sont mémorisées jusqu’à la fermeture du programme.</translation>
    </message>
</context>
<context>
    <name>Ulmar::Messaging::GetMediaStatusNotificationHandler</name>
    <message>
        <source>VYRA Online</source>
        <translation>VYRA en ligne</translation>
    </message>
    <message>
        <source>VYRA Initializing</source>
        <translation>VYRA en cours d&apos;initialisation</translation>
    </message>
    <message>
        <source>VYRA Shutting Down</source>
        <translation>VYRA en cours d&apos;arrêt</translation>
    </message>
    <message>
        <source>VYRA Offline</source>
        <translation>VYRA hors ligne</translation>
    </message>
    <message>
        <source>VYRA Unavailable</source>
        <translation>VYRA indisponible</translation>
    </message>
    <message>
        <source>Configuring Audio Capture</source>
        <translation>Configuration de la capture audio</translation>
    </message>
    <message>
        <source>Audio Capture Configured</source>
        <translation>Capture audio configurée</translation>
    </message>
    <message>
        <source>Starting Audio Capture</source>
        <translation>Démarrage de la capture audio</translation>
    </message>
    <message>
        <source>Audio Capture Started</source>
        <translation>Capture audio démarrée</translation>
    </message>
    <message>
        <source>Stopping Audio Capture</source>
        <translation>Arrêt de la capture audio</translation>
    </message>
    <message>
        <source>Capturing Audio</source>
        <translation>Capture audio en cours</translation>
    </message>
    <message>
        <source>Silence Detected</source>
        <translation>Silence détecté</translation>
    </message>
    <message>
        <source>Content Identification Failed</source>
        <translation>Échec de l&apos;identification du contenu</translation>
    </message>
    <message>
        <source>Audio Source Detected</source>
        <translation>Source audio détectée</translation>
    </message>
    <message>
        <source>Audio Capture Stopped</source>
        <translation>Capture audio arrêtée</translation>
    </message>
    <message>
        <source>Audio Capture Error</source>
        <translation>Erreur de capture audio</translation>
    </message>
    <message>
        <source>No Audio Source</source>
        <translation>Aucune source audio</translation>
    </message>
    <message>
        <source>No Motion Code Found</source>
        <translation>Aucun code de mouvement trouvé</translation>
    </message>
    <message>
        <source>Motion Code Found</source>
        <translation>Code de mouvement trouvé</translation>
    </message>
    <message>
        <source>Looking for Motion Code</source>
        <translation>Recherche du code de mouvement</translation>
    </message>
    <message>
        <source>Motion Code Available</source>
        <translation>Code de mouvement disponible</translation>
    </message>
    <message>
        <source>Motion Code not Available</source>
        <translation>Code de mouvement non disponible</translation>
    </message>
</context>
<context>
    <name>Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler</name>
    <message>
        <source>VYRA Updating to %1...</source>
        <translation>Mise à jour de VYRA vers %1...</translation>
    </message>
    <message>
        <source>VYRA Update Cancelled</source>
        <translation>Mise à jour de VYRA annulée</translation>
    </message>
    <message>
        <source>VYRA Update Failed</source>
        <translation>Échec de la mise à jour de VYRA</translation>
    </message>
    <message>
        <source>VYRA Update Successful</source>
        <translation>Mise à jour de VYRA réussie</translation>
    </message>
    <message>
        <source>VYRA Update: Unknown Status</source>
        <translation>Mise à jour de VYRA : état inconnu</translation>
    </message>
    <message>
        <source>Motion Code Library Update in Progress...</source>
        <translation>Mise à jour de la bibliothèque de codes de mouvement en cours...</translation>
    </message>
    <message>
        <source>Motion Code Library Update Cancelled</source>
        <translation>Mise à jour de la bibliothèque de codes de mouvement annulée</translation>
    </message>
    <message>
        <source>Motion Code Library Update Failed</source>
        <translation>Échec de la mise à jour de la bibliothèque de codes de mouvement</translation>
    </message>
    <message>
        <source>Motion Code Library Update Successful</source>
        <translation>Mise à jour de la bibliothèque de codes de mouvement réussie</translation>
    </message>
    <message>
        <source>Motion Code Library Update: Unknown Status</source>
        <translation>Mise à jour de la bibliothèque de codes de mouvement : état inconnu</translation>
    </message>
</context>
<context>
    <name>Ulmar::SeatPaneMgr</name>
    <message>
        <source>Seat Ready</source>
        <translation>Fauteuil prêt</translation>
    </message>
    <message>
        <source>Seats Ready</source>
        <translation>Fauteuils prêts</translation>
    </message>
    <message>
        <source>No Seat</source>
        <translation>Aucun fauteuil</translation>
    </message>
</context>
<context>
    <name>Ulmar::UnitAddress</name>
    <message>
        <source>Enter a host name or an IP address.</source>
        <translation>Saisissez un nom d’hôte ou une adresse IP.</translation>
    </message>
    <message>
        <source>The host name or address before the port is missing.</source>
        <translation>Le nom d’hôte ou l’adresse manque avant le port.</translation>
    </message>
    <message>
        <source>The port must be a number from 1 to 65535.</source>
        <translation>Le port doit être un nombre de 1 à 65535.</translation>
    </message>
    <message>
        <source>This is not a valid IPv4 address (four numbers from 0 to 255).</source>
        <translation>Ce n’est pas une adresse IPv4 valide (quatre nombres de 0 à 255).</translation>
    </message>
    <message>
        <source>A host name may hold only letters, digits, hyphens and dots.</source>
        <translation>Un nom d’hôte ne peut contenir que des lettres, des chiffres, des tirets et des points.</translation>
    </message>
    <message>
        <source>This is not a valid IPv6 address. With a port, write it in brackets, as in %1.</source>
        <translation>Ce n’est pas une adresse IPv6 valide. Avec un port, écrivez-la entre crochets, comme dans %1.</translation>
    </message>
</context>
<context>
    <name>WidgetMotionCodeLibraryService</name>
    <message>
        <source>Error: No Motion Code Library Service URI</source>
        <translation>Erreur : adresse du service de bibliothèque de codes de mouvement absente</translation>
    </message>
    <message>
        <source>Registration error</source>
        <translation>Erreur d&apos;inscription</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>Connexion perdue</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>Nom d&apos;utilisateur</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Mot de passe</translation>
    </message>
    <message>
        <source>Sign In</source>
        <translation>Se connecter</translation>
    </message>
    <message>
        <source>Signing in...</source>
        <translation>Connexion en cours...</translation>
    </message>
    <message>
        <source>Signed in as %1</source>
        <translation>Connecté en tant que %1</translation>
    </message>
    <message>
        <source>Failed to sign in</source>
        <translation>Échec de la connexion</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Réinitialiser</translation>
    </message>
    <message>
        <source>Motion Code Library Service username</source>
        <translation>Nom d&apos;utilisateur du service de bibliothèque de Motion Code</translation>
    </message>
    <message>
        <source>Signs the VYRA in to the Motion Code Library Service</source>
        <translation>Connecte le VYRA au service de bibliothèque de Motion Code</translation>
    </message>
    <message>
        <source>Back to the sign-in fields</source>
        <translation>Retour aux champs de connexion</translation>
    </message>
    <message>
        <source>Sign-in is off: the link to this VYRA is not encrypted with its remembered key</source>
        <translation>Connexion désactivée : le lien avec ce VYRA n&apos;est pas chiffré avec sa clé mémorisée</translation>
    </message>
    <message>
        <source>Sign-in is off: this VYRA reports a malformed library service address</source>
        <translation>Connexion désactivée : ce VYRA indique une adresse de service de bibliothèque mal formée</translation>
    </message>
    <message>
        <source>Sign-in is off: this VYRA reports a library service address that does not start with https://</source>
        <translation>Connexion désactivée : ce VYRA indique une adresse de service de bibliothèque qui n&apos;est pas une adresse HTTPS</translation>
    </message>
    <message>
        <source>Sign-in is off: this VYRA reports a library service address with a user name or password in it</source>
        <translation>Connexion désactivée : ce VYRA indique une adresse de service de bibliothèque contenant un nom d&apos;utilisateur ou un mot de passe</translation>
    </message>
    <message>
        <source>Signing in at %1</source>
        <translation>Connexion auprès de %1</translation>
    </message>
    <message>
        <source>Motion Code Library Service password</source>
        <translation>Mot de passe du service de bibliothèque de Motion Code</translation>
    </message>
    <message>
        <source>Sign Out</source>
        <translation>Se déconnecter</translation>
    </message>
    <message>
        <source>Signs the VYRA out of the Motion Code Library Service, to sign in with another account</source>
        <translation>Déconnecte le VYRA du service de bibliothèque de Motion Code, pour se connecter avec un autre compte</translation>
    </message>
</context>
<context>
    <name>WidgetSeats</name>
    <message>
        <source>Seat %1</source>
        <translation>Fauteuil %1</translation>
    </message>
    <message>
        <source>Muted</source>
        <translation>Muet</translation>
    </message>
    <message>
        <source>Chain Motion and Vibration</source>
        <translation>Lier mouvement et vibration</translation>
    </message>
    <message>
        <source>Motion: %1 dB</source>
        <translation>Mouvement : %1 dB</translation>
    </message>
    <message>
        <source>Vibration: %1 dB</source>
        <translation>Vibration : %1 dB</translation>
    </message>
    <message>
        <source>Reset to Defaults</source>
        <translation>Valeurs par défaut</translation>
    </message>
    <message>
        <source>Seat not active</source>
        <translation>Fauteuil inactif</translation>
    </message>
    <message>
        <source>Seat %1 muted</source>
        <translation>Fauteuil %1 : muet</translation>
    </message>
    <message>
        <source>Seat %1 chain motion and vibration</source>
        <translation>Fauteuil %1 : lier mouvement et vibration</translation>
    </message>
    <message>
        <source>Seat %1 motion</source>
        <translation>Fauteuil %1 : mouvement</translation>
    </message>
    <message>
        <source>Seat %1 vibration</source>
        <translation>Fauteuil %1 : vibration</translation>
    </message>
    <message>
        <source>Reset seat %1 to defaults</source>
        <translation>Remettre le fauteuil %1 aux valeurs par défaut</translation>
    </message>
</context>
<context>
    <name>WidgetSortHeader</name>
    <message>
        <source>%1, sorted ascending</source>
        <translation>%1, tri croissant</translation>
    </message>
    <message>
        <source>%1, sorted descending</source>
        <translation>%1, tri décroissant</translation>
    </message>
    <message>
        <source>Sorts the titles by this column</source>
        <translation>Trie les titres selon cette colonne</translation>
    </message>
</context>
<context>
    <name>WidgetStartupDialog</name>
    <message>
        <source>What&apos;s New</source>
        <translation>Nouveautés</translation>
    </message>
    <message>
        <source>A convenient way to manage your Motion Code subscriptions. Visit %1 to register and purchase a subscription. Once done, simply enter your credentials inside the app to pair the selected VYRA to your Reelhall account.</source>
        <translation>Une façon pratique de gérer vos abonnements aux codes de mouvement. Rendez-vous sur %1 pour vous inscrire et souscrire un abonnement. Ensuite, saisissez simplement vos identifiants dans l&apos;application pour associer le VYRA sélectionné à votre compte Reelhall.</translation>
    </message>
    <message>
        <source>An adaptive user interface that allows compatibility with all mobile device display sizes.</source>
        <translation>Une interface adaptative, compatible avec toutes les tailles d&apos;écran des appareils mobiles.</translation>
    </message>
    <message>
        <source>Important Notes</source>
        <translation>Remarques importantes</translation>
    </message>
    <message>
        <source>Upon first registering to Reelhall and pairing your VYRA via this app, the VYRA will proceed with a sizable update due to the major changes introduced in VYRA Software Update v2.0. The download could be larger than 10GB for a subscription including the complete Tavik Motion Code library.</source>
        <translation>Lors de votre première inscription à Reelhall et de l&apos;association de votre VYRA via cette application, le VYRA procédera à une mise à jour importante en raison des changements majeurs introduits par la mise à jour logicielle VYRA v2.0. Le téléchargement peut dépasser 10 Go pour un abonnement comprenant la bibliothèque complète de codes de mouvement Tavik.</translation>
    </message>
    <message>
        <source>Once the initial update is complete, subsequent ones will be incremental as new content part of the subscription is available.</source>
        <translation>Une fois la mise à jour initiale terminée, les suivantes seront incrémentales, à mesure que de nouveaux contenus de l&apos;abonnement deviennent disponibles.</translation>
    </message>
    <message>
        <source>As with the previous version, to ensure proper content recognition and motion playback by the VYRA, a stereo downmix signal must be supplied to it through the line-in audio jack.</source>
        <translation>Comme pour la version précédente, pour que le VYRA reconnaisse bien le contenu et restitue correctement le mouvement, un signal stéréo (downmix) doit lui être fourni par la prise audio d&apos;entrée ligne.</translation>
    </message>
    <message>
        <source>Don&apos;t show again</source>
        <translation>Ne plus afficher</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Register at %1</source>
        <translation>S&apos;inscrire sur %1</translation>
    </message>
    <message>
        <source>Opens the registration site in the web browser</source>
        <translation>Ouvre le site d&apos;inscription dans le navigateur web</translation>
    </message>
    <message>
        <source>Do not show this dialog when the program starts</source>
        <translation>Ne plus afficher cette fenêtre au démarrage du programme</translation>
    </message>
    <message>
        <source>Closes this dialog; Escape does the same</source>
        <translation>Ferme cette fenêtre ; la touche Échap fait de même</translation>
    </message>
    <message>
        <source>Scroll the dialog</source>
        <translation>Faire défiler la boîte de dialogue</translation>
    </message>
</context>
<context>
    <name>WidgetUnfoldButton</name>
    <message>
        <source>Collapsed</source>
        <translation>Replié</translation>
    </message>
    <message>
        <source>Expanded</source>
        <translation>Déplié</translation>
    </message>
</context>
<context>
    <name>WidgetUnitSearch</name>
    <message>
        <source>Searching for VYRA units…</source>
        <translation>Recherche d’unités VYRA…</translation>
    </message>
    <message>
        <source>Connecting to %1…</source>
        <translation>Connexion à %1…</translation>
    </message>
    <message>
        <source>Trying %1 as well.</source>
        <translation>Essai de %1 en parallèle.</translation>
    </message>
    <message>
        <source>No VYRA unit found</source>
        <translation>Aucune unité VYRA trouvée</translation>
    </message>
    <message>
        <source>The search goes on. Meanwhile, please check:</source>
        <translation>La recherche continue. En attendant, vérifiez :</translation>
    </message>
    <message>
        <source>The VYRA is switched on and has finished starting.</source>
        <translation>Le VYRA est allumé et a fini de démarrer.</translation>
    </message>
    <message>
        <source>This computer is on the same network as the VYRA, in the same subnet: units are found by a local broadcast, which routers do not pass on.</source>
        <translation>Cet ordinateur est sur le même réseau que le VYRA, dans le même sous-réseau : les unités sont trouvées par une diffusion locale, que les routeurs ne transmettent pas.</translation>
    </message>
    <message>
        <source>A firewall on this computer lets UDP port 12741 in and TCP port 12740 out.</source>
        <translation>Le pare-feu de cet ordinateur laisse entrer le port UDP 12741 et sortir le port TCP 12740.</translation>
    </message>
    <message>
        <source>A VYRA not yet on your network can be set up through its own Wi-Fi access point: connect this computer to the Wi-Fi network whose SSID starts with &quot;%1&quot;, using security key &quot;%2&quot;, then open the Network page.</source>
        <translation>Un VYRA qui n’est pas encore sur votre réseau se configure par son propre point d’accès Wi-Fi : connectez cet ordinateur au réseau Wi-Fi dont le SSID commence par « %1 », avec la clé de sécurité « %2 », puis ouvrez la page Réseau.</translation>
    </message>
    <message>
        <source>Connect to an address…</source>
        <translation>Se connecter à une adresse…</translation>
    </message>
    <message>
        <source>VYRA address</source>
        <translation>Adresse du VYRA</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Se connecter</translation>
    </message>
    <message>
        <source>Connects to the VYRA at this address</source>
        <translation>Se connecte au VYRA à cette adresse</translation>
    </message>
    <message>
        <source>Recent:</source>
        <translation>Récentes :</translation>
    </message>
    <message>
        <source>Connect to %1</source>
        <translation>Se connecter à %1</translation>
    </message>
    <message>
        <source>Address of the VYRA (host name or IP address, port optional)</source>
        <translation>Adresse du VYRA (nom d’hôte ou adresse IP, port facultatif)</translation>
    </message>
</context>
<context>
    <name>js_motionCodeLibraryService</name>
    <message>
        <source>Invalid credentials</source>
        <translation>Identifiants non valides</translation>
    </message>
    <message>
        <source>Credentials rejected</source>
        <translation>Identifiants refusés</translation>
    </message>
    <message>
        <source>Server unreachable</source>
        <translation>Serveur injoignable</translation>
    </message>
    <message>
        <source>Registration error</source>
        <translation>Erreur d&apos;inscription</translation>
    </message>
</context>
</TS>
