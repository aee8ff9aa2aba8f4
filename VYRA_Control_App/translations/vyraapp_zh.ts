<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh">
<context>
    <name>Main</name>
    <message>
        <source>Tavik</source>
        <translation>Tavik</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Seats</source>
        <translation>座椅</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>库</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>页面</translation>
    </message>
    <message>
        <source>Page tabs</source>
        <translation>页面标签</translation>
    </message>
    <message>
        <source>Shortcut: %1</source>
        <translation>快捷键：%1</translation>
    </message>
</context>
<context>
    <name>PageMotionController</name>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Version Info</source>
        <translation>版本信息</translation>
    </message>
    <message>
        <source>App Version:</source>
        <translation>应用版本：</translation>
    </message>
    <message>
        <source>VYRA:</source>
        <translation>VYRA：</translation>
    </message>
    <message>
        <source>VYRA Software Version:</source>
        <translation>VYRA 软件版本：</translation>
    </message>
    <message>
        <source>Last Motion Code Update:</source>
        <translation>动感代码最近更新：</translation>
    </message>
    <message>
        <source>Show startup info dialog</source>
        <translation>启动时显示信息对话框</translation>
    </message>
    <message>
        <source>Advanced Controls</source>
        <translation>高级控制</translation>
    </message>
    <message>
        <source>Motion Delay: %1 ms</source>
        <translation>动感延迟：%1 毫秒</translation>
    </message>
    <message>
        <source>Recognition Tolerance: %1 s</source>
        <translation>识别容差：%1 秒</translation>
    </message>
    <message>
        <source>Reset to Defaults</source>
        <translation>恢复默认值</translation>
    </message>
    <message>
        <source>Now Playing</source>
        <translation>正在播放</translation>
    </message>
    <message>
        <source>Not encrypted: Wi-Fi keys and sign-in are not sent to this unit</source>
        <translation>未加密：不会向此设备发送 Wi-Fi 密钥和登录信息</translation>
    </message>
    <message>
        <source>Not connected: this VYRA&apos;s key has changed. It may have been reset, or another device is answering in its name.</source>
        <translation>未连接：此 VYRA 的密钥已更改。它可能已被重置，或有其他设备冒用它的名义应答。</translation>
    </message>
    <message>
        <source>Remembered key: %1</source>
        <translation>已记住的密钥：%1</translation>
    </message>
    <message>
        <source>Offered key: %1</source>
        <translation>提供的密钥：%1</translation>
    </message>
    <message>
        <source>Accept the New Key...</source>
        <translation>接受新密钥…</translation>
    </message>
    <message>
        <source>Accept the new key?</source>
        <translation>接受新密钥？</translation>
    </message>
    <message>
        <source>Accept it only if you know this VYRA was reset or replaced, and its key fingerprint reads %1. Otherwise stay disconnected.</source>
        <translation>仅当您确认此 VYRA 已被重置或更换，且其密钥指纹为 %1 时才接受。否则请保持断开连接。</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>接受</translation>
    </message>
    <message>
        <source>Stay Disconnected</source>
        <translation>保持断开连接</translation>
    </message>
    <message>
        <source>VYRA unit: %1</source>
        <translation>VYRA 设备：%1</translation>
    </message>
    <message>
        <source>The VYRA this program controls</source>
        <translation>本程序控制的 VYRA</translation>
    </message>
    <message>
        <source>Rename VYRA</source>
        <translation>重命名 VYRA</translation>
    </message>
    <message>
        <source>New VYRA name</source>
        <translation>VYRA 新名称</translation>
    </message>
    <message>
        <source>Keeps the VYRA&apos;s name</source>
        <translation>保留 VYRA 的名称</translation>
    </message>
    <message>
        <source>Renames the VYRA</source>
        <translation>重命名该 VYRA</translation>
    </message>
    <message>
        <source>Motion delay in milliseconds</source>
        <translation>动感延迟（毫秒）</translation>
    </message>
    <message>
        <source>Recognition tolerance in seconds</source>
        <translation>识别容差（秒）</translation>
    </message>
    <message>
        <source>Sets the motion delay and the recognition tolerance back to their defaults</source>
        <translation>将动感延迟和识别容差恢复为默认值</translation>
    </message>
    <message>
        <source>Poster</source>
        <translation>海报</translation>
    </message>
    <message>
        <source>Playback position: %1 of %2</source>
        <translation>播放位置：%1 / %2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>No Poster</source>
        <translation>无海报</translation>
    </message>
    <message>
        <source>Scroll the page</source>
        <translation>滚动页面</translation>
    </message>
</context>
<context>
    <name>PageMovies</name>
    <message>
        <source>Search...</source>
        <translation>搜索…</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>片名</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>剪辑</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Release Date</source>
        <translation>上映日期</translation>
    </message>
    <message>
        <source>Search the library</source>
        <translation>搜索片库</translation>
    </message>
    <message>
        <source>Clear the search</source>
        <translation>清除搜索</translation>
    </message>
    <message>
        <source>Library titles</source>
        <translation>片库中的影片</translation>
    </message>
    <message>
        <source>Empty row</source>
        <translation>空行</translation>
    </message>
    <message>
        <source>No title matches the search.</source>
        <translation>没有符合搜索的影片。</translation>
    </message>
    <message>
        <source>No titles</source>
        <translation>没有影片</translation>
    </message>
    <message>
        <source>Scroll the library titles</source>
        <translation>滚动片库中的影片</translation>
    </message>
</context>
<context>
    <name>PageNetwork</name>
    <message>
        <source>VYRA Wi-Fi Settings</source>
        <translation>VYRA Wi-Fi 设置</translation>
    </message>
    <message>
        <source>Unable to find any VYRA on the same local network as this device.</source>
        <translation>在此设备所在的局域网中找不到任何 VYRA。</translation>
    </message>
    <message>
        <source>By default, unless a network cable is connected, VYRA will act as a Wi-Fi access point. In this case, connect to Wi-Fi network whose SSID starts with &quot;%1&quot;, using security key &quot;%2&quot;.</source>
        <translation>默认情况下，除非连接了网线，VYRA 将作为 Wi-Fi 接入点运行。此时，请连接 SSID 以“%1”开头的 Wi-Fi 网络，安全密钥为“%2”。</translation>
    </message>
    <message>
        <source>VYRA can either be a client that connects to the Wi-Fi network of your choice, or operate as a Wi-Fi access point.</source>
        <translation>VYRA 既可以作为客户端连接到您选择的 Wi-Fi 网络，也可以作为 Wi-Fi 接入点运行。</translation>
    </message>
    <message>
        <source>Set VYRA as Wi-Fi Client (recommended)</source>
        <translation>将 VYRA 设为 Wi-Fi 客户端（推荐）</translation>
    </message>
    <message>
        <source>Set VYRA as Wi-Fi Access Point</source>
        <translation>将 VYRA 设为 Wi-Fi 接入点</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下一步</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Select a Wi-Fi Network for VYRA to connect to.</source>
        <translation>请选择 VYRA 要连接的 Wi-Fi 网络。</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Join</source>
        <translation>加入</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Configuring VYRA Wi-Fi...</source>
        <translation>正在配置 VYRA Wi-Fi…</translation>
    </message>
    <message>
        <source>VYRA Wi-Fi Successfully Configured</source>
        <translation>VYRA Wi-Fi 配置成功</translation>
    </message>
    <message>
        <source>VYRA Wi-Fi Configuration Failed</source>
        <translation>VYRA Wi-Fi 配置失败</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>VYRA Network Interfaces</source>
        <translation>VYRA 网络接口</translation>
    </message>
    <message>
        <source>Interface Name:</source>
        <translation>接口名称：</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>MAC Address:</source>
        <translation>MAC 地址：</translation>
    </message>
    <message>
        <source>Broadcast:</source>
        <translation>广播地址：</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>Primary DNS:</source>
        <translation>首选 DNS：</translation>
    </message>
    <message>
        <source>Secondary DNS:</source>
        <translation>备用 DNS：</translation>
    </message>
    <message>
        <source>Not Connected to any VYRA</source>
        <translation>未连接任何 VYRA</translation>
    </message>
    <message>
        <source>Wi-Fi settings sent. VYRA is changing network and may be out of reach for a moment.</source>
        <translation>Wi-Fi 设置已发送。VYRA 正在切换网络，可能暂时无法连接。</translation>
    </message>
    <message>
        <source>Wi-Fi network: %1</source>
        <translation>Wi-Fi 网络：%1</translation>
    </message>
    <message>
        <source>Asks the VYRA for the Wi-Fi networks it sees</source>
        <translation>向 VYRA 获取其可见的 Wi-Fi 网络</translation>
    </message>
    <message>
        <source>Network interface: %1</source>
        <translation>网络接口：%1</translation>
    </message>
    <message>
        <source>Scroll the page</source>
        <translation>滚动页面</translation>
    </message>
    <message>
        <source>Wi-Fi security key</source>
        <translation>Wi-Fi 安全密钥</translation>
    </message>
    <message>
        <source>The security key has 8 to 63 characters, or 64 hexadecimal digits.</source>
        <translation>安全密钥为 8 到 63 个字符，或 64 位十六进制数字。</translation>
    </message>
</context>
<context>
    <name>PageSeats</name>
    <message>
        <source>Scroll the page</source>
        <translation>滚动页面</translation>
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
        <translation>发生错误。必须关闭应用程序。</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
</context>
<context>
    <name>Style</name>
    <message>
        <source>OK</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>等待中</translation>
    </message>
    <message>
        <source>Inactive</source>
        <translation>未激活</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
</context>
<context>
    <name>Ulmar::CrashReportBox</name>
    <message>
        <source>A crash report was saved to:
%1</source>
        <translation>崩溃报告已保存至：
%1</translation>
    </message>
</context>
<context>
    <name>Ulmar::Facade</name>
    <message>
        <source>The remembered VYRA keys could not be read. The damaged file was kept as %1; each VYRA is trusted anew when next connected.</source>
        <translation>无法读取已记住的 VYRA 密钥。损坏的文件已保留为 %1；每台 VYRA 将在下次连接时重新受信任。</translation>
    </message>
    <message>
        <source>VYRA keys are not saved: %1 is a symbolic link. They are remembered until the program ends.</source>
        <translation>VYRA 密钥未保存：%1 是符号链接。密钥仅记住到程序结束。</translation>
    </message>
</context>
<context>
    <name>Ulmar::Messaging::GetMediaStatusNotificationHandler</name>
    <message>
        <source>VYRA Online</source>
        <translation>在线 VYRA</translation>
    </message>
    <message>
        <source>VYRA Initializing</source>
        <translation>正在初始化 VYRA</translation>
    </message>
    <message>
        <source>VYRA Shutting Down</source>
        <translation>正在关闭 VYRA</translation>
    </message>
    <message>
        <source>VYRA Offline</source>
        <translation>离线 VYRA</translation>
    </message>
    <message>
        <source>VYRA Unavailable</source>
        <translation>VYRA 不可用</translation>
    </message>
    <message>
        <source>Configuring Audio Capture</source>
        <translation>正在配置音频采集</translation>
    </message>
    <message>
        <source>Audio Capture Configured</source>
        <translation>音频采集已配置</translation>
    </message>
    <message>
        <source>Starting Audio Capture</source>
        <translation>正在启动音频采集</translation>
    </message>
    <message>
        <source>Audio Capture Started</source>
        <translation>音频采集已启动</translation>
    </message>
    <message>
        <source>Stopping Audio Capture</source>
        <translation>正在停止音频采集</translation>
    </message>
    <message>
        <source>Capturing Audio</source>
        <translation>正在采集音频</translation>
    </message>
    <message>
        <source>Silence Detected</source>
        <translation>检测到静音</translation>
    </message>
    <message>
        <source>Content Identification Failed</source>
        <translation>内容识别失败</translation>
    </message>
    <message>
        <source>Audio Source Detected</source>
        <translation>检测到音源</translation>
    </message>
    <message>
        <source>Audio Capture Stopped</source>
        <translation>音频采集已停止</translation>
    </message>
    <message>
        <source>Audio Capture Error</source>
        <translation>音频采集错误</translation>
    </message>
    <message>
        <source>No Audio Source</source>
        <translation>无音源</translation>
    </message>
    <message>
        <source>No Motion Code Found</source>
        <translation>未找到动感代码</translation>
    </message>
    <message>
        <source>Motion Code Found</source>
        <translation>已找到动感代码</translation>
    </message>
    <message>
        <source>Looking for Motion Code</source>
        <translation>正在查找动感代码</translation>
    </message>
    <message>
        <source>Motion Code Available</source>
        <translation>动感代码可用</translation>
    </message>
    <message>
        <source>Motion Code not Available</source>
        <translation>动感代码不可用</translation>
    </message>
</context>
<context>
    <name>Ulmar::Messaging::GetUpgradeAndUpdateNotificationHandler</name>
    <message>
        <source>VYRA Updating to %1...</source>
        <translation>VYRA 正在更新到 %1…</translation>
    </message>
    <message>
        <source>VYRA Update Cancelled</source>
        <translation>VYRA 更新已取消</translation>
    </message>
    <message>
        <source>VYRA Update Failed</source>
        <translation>VYRA 更新失败</translation>
    </message>
    <message>
        <source>VYRA Update Successful</source>
        <translation>VYRA 更新成功</translation>
    </message>
    <message>
        <source>VYRA Update: Unknown Status</source>
        <translation>VYRA 更新：状态未知</translation>
    </message>
    <message>
        <source>Motion Code Library Update in Progress...</source>
        <translation>动感代码库正在更新…</translation>
    </message>
    <message>
        <source>Motion Code Library Update Cancelled</source>
        <translation>动感代码库更新已取消</translation>
    </message>
    <message>
        <source>Motion Code Library Update Failed</source>
        <translation>动感代码库更新失败</translation>
    </message>
    <message>
        <source>Motion Code Library Update Successful</source>
        <translation>动感代码库更新成功</translation>
    </message>
    <message>
        <source>Motion Code Library Update: Unknown Status</source>
        <translation>动感代码库更新：状态未知</translation>
    </message>
</context>
<context>
    <name>Ulmar::SeatPaneMgr</name>
    <message>
        <source>Seat Ready</source>
        <translation>座椅已就绪</translation>
    </message>
    <message>
        <source>Seats Ready</source>
        <translation>座椅就绪</translation>
    </message>
    <message>
        <source>No Seat</source>
        <translation>无座椅</translation>
    </message>
</context>
<context>
    <name>Ulmar::UnitAddress</name>
    <message>
        <source>Enter a host name or an IP address.</source>
        <translation>请输入主机名或 IP 地址。</translation>
    </message>
    <message>
        <source>The host name or address before the port is missing.</source>
        <translation>端口前缺少主机名或地址。</translation>
    </message>
    <message>
        <source>The port must be a number from 1 to 65535.</source>
        <translation>端口必须是 1 到 65535 之间的数字。</translation>
    </message>
    <message>
        <source>This is not a valid IPv4 address (four numbers from 0 to 255).</source>
        <translation>这不是有效的 IPv4 地址（四个 0 到 255 之间的数字）。</translation>
    </message>
    <message>
        <source>A host name may hold only letters, digits, hyphens and dots.</source>
        <translation>主机名只能包含字母、数字、连字符和点。</translation>
    </message>
    <message>
        <source>This is not a valid IPv6 address. With a port, write it in brackets, as in %1.</source>
        <translation>这不是有效的 IPv6 地址。带端口时请将地址放在方括号中，例如 %1。</translation>
    </message>
</context>
<context>
    <name>WidgetMotionCodeLibraryService</name>
    <message>
        <source>Error: No Motion Code Library Service URI</source>
        <translation>错误：未设置动感代码库服务地址</translation>
    </message>
    <message>
        <source>Registration error</source>
        <translation>注册错误</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>连接已断开</translation>
    </message>
    <message>
        <source>Username</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Sign In</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>Signing in...</source>
        <translation>正在登录…</translation>
    </message>
    <message>
        <source>Signed in as %1</source>
        <translation>已登录：%1</translation>
    </message>
    <message>
        <source>Failed to sign in</source>
        <translation>登录失败</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>重置</translation>
    </message>
    <message>
        <source>Motion Code Library Service username</source>
        <translation>动感代码库服务用户名</translation>
    </message>
    <message>
        <source>Signs the VYRA in to the Motion Code Library Service</source>
        <translation>将 VYRA 登录到动感代码库服务</translation>
    </message>
    <message>
        <source>Back to the sign-in fields</source>
        <translation>返回登录栏</translation>
    </message>
    <message>
        <source>Sign-in is off: the link to this VYRA is not encrypted with its remembered key</source>
        <translation>登录已停用：与此 VYRA 的连接未使用已记住的密钥加密</translation>
    </message>
    <message>
        <source>Sign-in is off: this VYRA reports a malformed library service address</source>
        <translation>登录已停用：此 VYRA 报告的库服务地址格式错误</translation>
    </message>
    <message>
        <source>Sign-in is off: this VYRA reports a library service address that does not start with https://</source>
        <translation>登录已停用：此 VYRA 报告的库服务地址不是 HTTPS 地址</translation>
    </message>
    <message>
        <source>Sign-in is off: this VYRA reports a library service address with a user name or password in it</source>
        <translation>登录已停用：此 VYRA 报告的库服务地址中含有用户名或密码</translation>
    </message>
    <message>
        <source>Signing in at %1</source>
        <translation>正在登录到 %1</translation>
    </message>
    <message>
        <source>Motion Code Library Service password</source>
        <translation>动感代码库服务密码</translation>
    </message>
    <message>
        <source>Sign Out</source>
        <translation>退出登录</translation>
    </message>
    <message>
        <source>Signs the VYRA out of the Motion Code Library Service, to sign in with another account</source>
        <translation>将 VYRA 从动感代码库服务退出登录，以便使用其他帐户登录</translation>
    </message>
</context>
<context>
    <name>WidgetSeats</name>
    <message>
        <source>Seat %1</source>
        <translation>座椅 %1</translation>
    </message>
    <message>
        <source>Muted</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Chain Motion and Vibration</source>
        <translation>转动与振动联动</translation>
    </message>
    <message>
        <source>Motion: %1 dB</source>
        <translation>转动：%1 分贝</translation>
    </message>
    <message>
        <source>Vibration: %1 dB</source>
        <translation>振动：%1 分贝</translation>
    </message>
    <message>
        <source>Reset to Defaults</source>
        <translation>恢复默认值</translation>
    </message>
    <message>
        <source>Seat not active</source>
        <translation>座椅未激活</translation>
    </message>
    <message>
        <source>Seat %1 muted</source>
        <translation>座椅 %1 静音</translation>
    </message>
    <message>
        <source>Seat %1 chain motion and vibration</source>
        <translation>座椅 %1 转动与振动联动</translation>
    </message>
    <message>
        <source>Seat %1 motion</source>
        <translation>座椅 %1 转动</translation>
    </message>
    <message>
        <source>Seat %1 vibration</source>
        <translation>座椅 %1 振动</translation>
    </message>
    <message>
        <source>Reset seat %1 to defaults</source>
        <translation>将座椅 %1 恢复默认值</translation>
    </message>
</context>
<context>
    <name>WidgetSortHeader</name>
    <message>
        <source>%1, sorted ascending</source>
        <translation>%1，升序排列</translation>
    </message>
    <message>
        <source>%1, sorted descending</source>
        <translation>%1，降序排列</translation>
    </message>
    <message>
        <source>Sorts the titles by this column</source>
        <translation>按此列排序</translation>
    </message>
</context>
<context>
    <name>WidgetStartupDialog</name>
    <message>
        <source>What&apos;s New</source>
        <translation>新功能</translation>
    </message>
    <message>
        <source>A convenient way to manage your Motion Code subscriptions. Visit %1 to register and purchase a subscription. Once done, simply enter your credentials inside the app to pair the selected VYRA to your Reelhall account.</source>
        <translation>便捷管理您的动感代码订阅。请访问 %1 注册并购买订阅。完成后，只需在本应用中输入您的凭据，即可将所选 VYRA 与您的 Reelhall 帐户配对。</translation>
    </message>
    <message>
        <source>An adaptive user interface that allows compatibility with all mobile device display sizes.</source>
        <translation>自适应用户界面，兼容各种尺寸的移动设备屏幕。</translation>
    </message>
    <message>
        <source>Important Notes</source>
        <translation>重要说明</translation>
    </message>
    <message>
        <source>Upon first registering to Reelhall and pairing your VYRA via this app, the VYRA will proceed with a sizable update due to the major changes introduced in VYRA Software Update v2.0. The download could be larger than 10GB for a subscription including the complete Tavik Motion Code library.</source>
        <translation>首次注册 Reelhall 并通过本应用配对 VYRA 后，由于 VYRA 软件更新 v2.0 带来的重大变更，VYRA 将进行一次大型更新。若订阅包含完整的 Tavik 动感代码库，下载量可能超过 10GB。</translation>
    </message>
    <message>
        <source>Once the initial update is complete, subsequent ones will be incremental as new content part of the subscription is available.</source>
        <translation>初次更新完成后，随着订阅中的新内容陆续推出，后续更新将以增量方式进行。</translation>
    </message>
    <message>
        <source>As with the previous version, to ensure proper content recognition and motion playback by the VYRA, a stereo downmix signal must be supplied to it through the line-in audio jack.</source>
        <translation>与上一版本相同，为确保 VYRA 正确识别内容并播放动感效果，必须通过线路输入音频插孔向其提供立体声缩混信号。</translation>
    </message>
    <message>
        <source>Don&apos;t show again</source>
        <translation>不再显示</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Register at %1</source>
        <translation>在 %1 注册</translation>
    </message>
    <message>
        <source>Opens the registration site in the web browser</source>
        <translation>在网页浏览器中打开注册网站</translation>
    </message>
    <message>
        <source>Do not show this dialog when the program starts</source>
        <translation>程序启动时不再显示此对话框</translation>
    </message>
    <message>
        <source>Closes this dialog; Escape does the same</source>
        <translation>关闭此对话框；按 Esc 键效果相同</translation>
    </message>
    <message>
        <source>Scroll the dialog</source>
        <translation>滚动对话框</translation>
    </message>
</context>
<context>
    <name>WidgetUnfoldButton</name>
    <message>
        <source>Collapsed</source>
        <translation>已折叠</translation>
    </message>
    <message>
        <source>Expanded</source>
        <translation>已展开</translation>
    </message>
</context>
<context>
    <name>WidgetUnitSearch</name>
    <message>
        <source>Searching for VYRA units…</source>
        <translation>正在搜索 VYRA 设备…</translation>
    </message>
    <message>
        <source>Connecting to %1…</source>
        <translation>正在连接 %1…</translation>
    </message>
    <message>
        <source>Trying %1 as well.</source>
        <translation>同时尝试连接 %1。</translation>
    </message>
    <message>
        <source>No VYRA unit found</source>
        <translation>未找到 VYRA 设备</translation>
    </message>
    <message>
        <source>The search goes on. Meanwhile, please check:</source>
        <translation>搜索仍在继续。同时请检查：</translation>
    </message>
    <message>
        <source>The VYRA is switched on and has finished starting.</source>
        <translation>VYRA 已通电并已完成启动。</translation>
    </message>
    <message>
        <source>This computer is on the same network as the VYRA, in the same subnet: units are found by a local broadcast, which routers do not pass on.</source>
        <translation>这台电脑与 VYRA 位于同一网络的同一子网中：设备通过本地广播发现，路由器不会转发广播。</translation>
    </message>
    <message>
        <source>A firewall on this computer lets UDP port 12741 in and TCP port 12740 out.</source>
        <translation>这台电脑的防火墙允许 UDP 端口 12741 入站、TCP 端口 12740 出站。</translation>
    </message>
    <message>
        <source>A VYRA not yet on your network can be set up through its own Wi-Fi access point: connect this computer to the Wi-Fi network whose SSID starts with &quot;%1&quot;, using security key &quot;%2&quot;, then open the Network page.</source>
        <translation>尚未接入您网络的 VYRA 可通过其自身的 Wi-Fi 接入点进行设置：将这台电脑连接到 SSID 以“%1”开头的 Wi-Fi 网络，安全密钥为“%2”，然后打开“网络”页面。</translation>
    </message>
    <message>
        <source>Connect to an address…</source>
        <translation>连接到指定地址…</translation>
    </message>
    <message>
        <source>VYRA address</source>
        <translation>VYRA 地址</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Connects to the VYRA at this address</source>
        <translation>连接到此地址的 VYRA</translation>
    </message>
    <message>
        <source>Recent:</source>
        <translation>最近使用：</translation>
    </message>
    <message>
        <source>Connect to %1</source>
        <translation>连接到 %1</translation>
    </message>
    <message>
        <source>Address of the VYRA (host name or IP address, port optional)</source>
        <translation>VYRA 地址（主机名或 IP 地址，端口可选）</translation>
    </message>
</context>
<context>
    <name>js_motionCodeLibraryService</name>
    <message>
        <source>Invalid credentials</source>
        <translation>凭据无效</translation>
    </message>
    <message>
        <source>Credentials rejected</source>
        <translation>凭据被拒绝</translation>
    </message>
    <message>
        <source>Server unreachable</source>
        <translation>无法连接服务器</translation>
    </message>
    <message>
        <source>Registration error</source>
        <translation>注册错误</translation>
    </message>
</context>
</TS>
